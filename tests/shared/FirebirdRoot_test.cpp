// The choice of the Firebird root before the client library loads, and the text of a failed
// attach when another program holds the file in the other engine mode.

#include <gtest/gtest.h>
#include <ibase.h>
#include <stdlib.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "driver/FbClient.h"
#include "driver/FirebirdRoot.h"

namespace fs = std::filesystem;

namespace {

// Sets FIREBIRD for the lifetime of the object and puts the former value back.
class RootVariable {
 public:
  explicit RootVariable(const std::optional<std::string>& value) {
    if (const char* current = std::getenv("FIREBIRD")) saved_ = current;
    if (value) {
      setenv("FIREBIRD", value->c_str(), 1);
    } else {
      unsetenv("FIREBIRD");
    }
  }
  ~RootVariable() {
    if (saved_) {
      setenv("FIREBIRD", saved_->c_str(), 1);
    } else {
      unsetenv("FIREBIRD");
    }
  }

 private:
  std::optional<std::string> saved_;
};

TEST(FirebirdRoot, TheProgramsRootIsChosenOnlyWhenNoneIsSetAndItIsComplete) {
  QTemporaryDir dir;
  const fs::path library = dir.path().toStdString();
  fs::create_directories(library / "complete/firebird");
  std::ofstream(library / "complete/firebird/firebird.conf") << "ServerMode = Classic\n";
  fs::create_directories(library / "empty/firebird");
  const std::string chosen = fs::canonical(library / "complete/firebird").string();

  struct Case {
    const char* name;
    std::optional<std::string> preset;
    std::string libraryFolder;
    std::string root;  // returned and left in FIREBIRD ("" = unset)
  } cases[] = {
      {"unset, root present", std::nullopt, (library / "complete").string(), chosen},
      {"empty counts as unset", std::string(), (library / "complete").string(), chosen},
      {"through ..", std::nullopt, (library / "empty/../complete").string(), chosen},
      {"set on purpose is kept", std::string("/opt/other"), (library / "complete").string(),
       "/opt/other"},
      {"no firebird.conf", std::nullopt, (library / "empty").string(), ""},
      {"no folder", std::nullopt, (library / "missing").string(), ""},
      {"unknown folder", std::nullopt, "", ""},
  };
  for (const Case& c : cases) {
    RootVariable variable(c.preset);
    EXPECT_EQ(ibdriver::ChooseFirebirdRoot(c.libraryFolder), c.root) << c.name;
    const char* now = std::getenv("FIREBIRD");
    EXPECT_EQ(now != nullptr && *now != 0 ? std::string(now) : std::string(), c.root) << c.name;
  }
}

TEST(FirebirdRoot, TheMessageOfAFileHeldInTheOtherModeNamesTheCauseAndTheRoot) {
  ibdriver::FbClient api;
  api.interpret = fb_interpret;
  api.root = "/usr/lib/galvora/firebird";
  const char* file = "/srv/galvora/datos/001/galvora.fdb";
  const ISC_STATUS otherMode[] = {isc_arg_gds, isc_io_error, isc_arg_string,
                                  reinterpret_cast<ISC_STATUS>("lock"), isc_arg_string,
                                  reinterpret_cast<ISC_STATUS>(file), isc_arg_gds,
                                  isc_already_opened, isc_arg_end};
  // A counted string before the code: its length takes a place of its own.
  const ISC_STATUS counted[] = {isc_arg_gds, isc_io_error, isc_arg_cstring, 4,
                                reinterpret_cast<ISC_STATUS>("lock"), isc_arg_string,
                                reinterpret_cast<ISC_STATUS>(file), isc_arg_gds,
                                isc_already_opened, isc_arg_end};
  const ISC_STATUS missing[] = {isc_arg_gds, isc_io_error, isc_arg_string,
                                reinterpret_cast<ISC_STATUS>("open"), isc_arg_string,
                                reinterpret_cast<ISC_STATUS>(file), isc_arg_gds,
                                isc_io_open_err, isc_arg_end};
  const std::string cause = "The database file is open in another program";

  for (const ISC_STATUS* status : {otherMode, counted}) {
    const std::string text = ibdriver::StatusText(api, status);
    EXPECT_EQ(text.rfind("I/O error during \"lock\" operation for file \"" + std::string(file) +
                             "\"\nDatabase already opened with engine instance, incompatible "
                             "with current\n" + cause,
                         0),
              0u)
        << text;
    EXPECT_TRUE(text.ends_with("FIREBIRD=/usr/lib/galvora/firebird.")) << text;
  }
  EXPECT_EQ(ibdriver::StatusText(api, missing).find(cause), std::string::npos);

  // Without a root of its own the message still names the cause.
  api.root.clear();
  const std::string text = ibdriver::StatusText(api, otherMode);
  EXPECT_NE(text.find(cause), std::string::npos);
  EXPECT_EQ(text.find("FIREBIRD="), std::string::npos);
}

}  // namespace
