@REM ’[“_‚É“_‚ðì}
@echo off
REM #jww
REM #cd
REM #zz
REM #h1
REM #hc “_‚ðì}‚·‚é}Œ`‚ð”ÍˆÍ‘I‘ð‚µ‚Ä‚­‚¾‚³‚¢
REM #e
setlocal EnableExtensions DisableDelayedExpansion
"%~dp0q527.exe"
if not "%errorlevel%"=="0" echo hq>"%~dp0JWC_TEMP.TXT"
