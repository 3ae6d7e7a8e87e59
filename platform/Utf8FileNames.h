#pragma once

// Database names reach the Firebird client library as the file system's bytes (UTF-8). The
// library reads a database name in the character set of the calling thread's LC_CTYPE and
// keeps the converter it builds at its first attach or create for the life of the process;
// under the "C" locale (scheduled jobs, tools without a locale) that is ASCII and any accented
// name fails with "Cannot transliterate character between character sets". Every call that
// hands the library a database name runs inside a Utf8FileNames scope, so the converter is
// UTF-8 whatever locale the process runs in. Header only: the loadable driver uses it too.

#include <locale.h>

#include <clocale>

namespace platform {

class Utf8FileNames {
 public:
  // The thread's locale with LC_CTYPE set to UTF-8; the other categories stay as they are.
  Utf8FileNames() {
    locale_t base = duplocale(uselocale(static_cast<locale_t>(nullptr)));
    if (base == static_cast<locale_t>(nullptr)) return;
    utf8_ = newlocale(LC_CTYPE_MASK, "C.UTF-8", base);
    if (utf8_ == static_cast<locale_t>(nullptr)) {
      freelocale(base);
      return;
    }
    previous_ = uselocale(utf8_);
  }
  ~Utf8FileNames() {
    if (utf8_ == static_cast<locale_t>(nullptr)) return;
    uselocale(previous_);
    freelocale(utf8_);
  }
  Utf8FileNames(const Utf8FileNames&) = delete;
  Utf8FileNames& operator=(const Utf8FileNames&) = delete;

 private:
  locale_t utf8_ = static_cast<locale_t>(nullptr);
  locale_t previous_ = static_cast<locale_t>(nullptr);
};

}  // namespace platform
