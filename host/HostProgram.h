// What the steps of q527-host share: its exit statuses, its messages, whole
// files as bytes, and paths between the toolkit's text and the standard
// library.
#pragma once

#include <QString>
#include <filesystem>
#include <optional>
#include <string>

// The exit status of q527-host.
enum HostStatus {
  kOk = 0,          // a well-formed answer, or --help
  kBadAnswer = 1,   // a malformed or missing answer
  kUsage = 2,       // a usage error, a drawing not handed over, a picture not written
  kToolFailed = 3,  // no tool, or it could not start, crashed or ended with another status
};

// Prints "q527-host: message" on standard error.
void Fail(const std::string& message);

// A path of the toolkit's text in the platform's own form, and back: UTF-16
// keeps every name on Windows and becomes UTF-8 bytes elsewhere.
std::filesystem::path PathOf(const QString& text);
QString TextOf(const std::filesystem::path& path);

// A path as UTF-8 for a message.
std::string Shown(const std::filesystem::path& path);

// The whole file as bytes; nothing when it cannot be read.
std::optional<std::string> ReadFile(const std::filesystem::path& path);

// Writes the bytes as the whole file, creating or replacing it; false when
// it cannot be written.
bool WriteFile(const std::filesystem::path& path, const std::string& bytes);
