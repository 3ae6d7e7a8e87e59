#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace report {

// The positional arguments the ERP's other programs may start the report with. Position 1
// is the first argument after the program's name; positions 5 to 9 are not read.
//
// What the report window does with them, once, when it is first activated:
//  1. If RunsAutomatically() is false, nothing.
//  2. Replace the items of `Servidor` with the single item `server` and select it.
//  3. Put `user`, `password` and `company` into `Tusua`, `TClave` and `Cia`.
//  4. Run the connect step (it does nothing when one of the three is empty).
//  5. Look at the connection `Galvora`: while connecting, look again; when open go on; in
//     any other state (closed: the connect step did nothing or failed) stop here.
//  6. If HasStartDate(), read `startDate` as a date in the user's short date form and put
//     it into `EFecIni` ("'%s' is not a valid date" when it is not one: the error goes to
//     the general error report and no calculate runs). The end date stays as connect set it.
//  7. Run calculate.
struct CommandLineArguments {
  std::string server;      // position 1, file-system text (UTF-8)
  std::string user;        // position 2
  std::string password;    // position 3
  std::string company;     // position 4, file-system text: it names the company's folder
  std::string autoSwitch;  // position 10: the command-line step runs when not empty
  std::string startDate;   // position 11: optional start date, short date form

  bool RunsAutomatically() const { return !autoSwitch.empty(); }
  bool HasStartDate() const { return !startDate.empty(); }
};

// Splits a command line the way the system does: arguments are separated by blanks (any
// character up to and including the space); a stretch in double quotes may hold blanks and
// the quotes are not part of the argument ("" alone is an empty argument). The first
// argument returned is the program's name.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// The arguments by position from a list whose element 0 is the program's name (as
// SplitCommandLine() returns it). Missing positions are empty.
CommandLineArguments ParseCommandLine(const std::vector<std::string>& arguments);

// The arguments of a started program. Each argv element is one argument (the starting
// program or shell has already split them); double quotes in it are dropped as the quoting
// rule drops them. The server and the company keep their bytes (they make the database's
// file name); in the others UTF-8 text is turned into Windows-1252 (other bytes are kept).
CommandLineArguments ParseCommandLine(int argc, const char* const* argv);

}  // namespace report
