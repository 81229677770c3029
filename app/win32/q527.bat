@REM 端点に点を作図
@echo off
REM #jww
REM #cd
REM #zz
REM #h1
REM #hc 点を作図する図形を範囲選択してください
REM #e
"%~dp0q527.exe"
