#include "report/InstallFolder.h"

#include <gtest/gtest.h>

#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Registry.h"

namespace report {
namespace {

class RecordingBoxes : public platform::IMessageBoxes {
 public:
  void Show(const std::string& text, const std::string& caption, platform::MsgIcon icon) override {
    texts.push_back(text);
    captions.push_back(caption);
    icons.push_back(icon);
  }
  std::vector<std::string> texts, captions;
  std::vector<platform::MsgIcon> icons;
};

platform::RegistryFile Registry(const std::string& body) {
  return platform::RegistryFile::FromText("Windows Registry Editor Version 5.00\n\n" + body);
}

TEST(InstallFolder, FirstKeyThatExistsGivesTheFolder) {
  struct Case {
    const char* label;
    std::string registry;
    const char* folder;
  };
  const Case cases[] = {
      {"2025 key",
       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Qor\\Galvora2025]\n\"Directorio\"=\"/srv/g25\"\n",
       "/srv/g25"},
      {"2024 key when 2025 is absent",
       "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2024]\n\"directorio\"=\"/srv/g24\"\n",
       "/srv/g24"},
      {"2025 key wins even with its value missing",
       "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025]\n"
       "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2024]\n\"Directorio\"=\"/srv/g24\"\n",
       ""},
      {"2025 key as parent of a subkey exists",
       "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025\\Sub]\n"
       "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2024]\n\"Directorio\"=\"/srv/g24\"\n",
       ""},
      {"empty value", "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025]\n\"Directorio\"=\"\"\n",
       ""},
      // The folder is the file system's name: UTF-8 with every character, whatever the file's
      // encoding.
      {"accented and Cyrillic folder",
       "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025]\n"
       "\"Directorio\"=\"/srv/a\u00F1o/\u041E\"\n",
       "/srv/a\xC3\xB1o/\xD0\x9E"},
      {"Windows-1252 file",
       "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025]\n\"Directorio\"=\"/srv/A\xD1O\"\n",
       "/srv/A\xC3\x91O"},
      {"expandable value is not expanded and ends at NUL",
       "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025]\n"
       "\"Directorio\"=hex(2):25,00,48,00,25,00,00,00,78,00,00,00\n",
       "%H%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    RecordingBoxes boxes;
    EXPECT_EQ(InstallFolder(Registry(c.registry), boxes, "repcostoav"), c.folder);
    EXPECT_TRUE(boxes.texts.empty());
  }
}

TEST(InstallFolder, NeitherKeyShowsTheMessageNamingTheFirstKey) {
  const std::string registries[] = {
      "",
      "[HKEY_CURRENT_USER\\Software\\Qor\\Galvora2025]\n\"Directorio\"=\"/home\"\n",
      "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2023]\n\"Directorio\"=\"/old\"\n",
  };
  for (const std::string& registry : registries) {
    RecordingBoxes boxes;
    EXPECT_EQ(InstallFolder(Registry(registry), boxes, "repcostoav"), "");
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0],
              "No se encontr\xF3 la Clave "
              "HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2025\\Directorio");
    EXPECT_EQ(boxes.captions[0], "repcostoav");
  }
}

TEST(InstallFolder, ValueOfAnotherKindIsAnError) {
  for (const char* data : {"dword:00000001", "hex:2f,00", "hex(7):41,00,00,00,00,00"}) {
    RecordingBoxes boxes;
    platform::RegistryFile registry = Registry(
        "[HKEY_LOCAL_MACHINE\\Software\\Qor\\Galvora2024]\n\"Directorio\"=" + std::string(data) +
        "\n");
    try {
      InstallFolder(registry, boxes, "repcostoav");
      ADD_FAILURE() << data << " was read as a folder";
    } catch (const platform::ERegistryException& error) {
      EXPECT_EQ(error.Message(), "Invalid data type for 'Directorio'");
    }
    EXPECT_TRUE(boxes.texts.empty());
  }
}

}  // namespace
}  // namespace report
