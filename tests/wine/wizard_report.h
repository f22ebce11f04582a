// What the wizard tests share about the wizard driver's report: its message texts, printed on
// one line each, and the whole texts of the messages the wizard shows.
#pragma once

#include <string>
#include <string_view>

namespace lanternix::e2e {

// A message text as the message box shows it: the driver writes "\\" for a backslash, "\n" for
// a line feed and "\r" for a carriage return.
inline std::string MessageText(std::string_view reported) {
  std::string text;
  for (std::size_t i = 0; i < reported.size(); ++i) {
    if (reported[i] != '\\' || i + 1 == reported.size()) {
      text.push_back(reported[i]);
      continue;
    }
    const char next = reported[++i];
    text.push_back(next == 'n' ? '\n' : next == 'r' ? '\r' : next);
  }
  return text;
}

inline const std::string kViewerRunningMessage =
    "Warning: Lanternix is running!\nPlease close all Lanternix instances before you install this version!";
inline const std::string kCannotCreateDestinationMessage =
    "Can't create destination directory!\n\nPlease check your write permissions and system policies!\n\nTry "
    "to create the destination folder manually and restart.";
inline const std::string kAssociationQuestion =
    "You want to change current associations and to associate one or many file types with Lanternix!\n\nAre "
    "you REALLY sure!?";

}  // namespace lanternix::e2e
