#include "platform/Clipboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QStringView>
#include <QSysInfo>
#include <map>

#include "platform/ClipboardHandOver.h"
#include "platform/Cp1252.h"
#include "platform/Errors.h"

namespace platform {
namespace {

struct FormatRegistry {
  std::map<std::string, unsigned> numbers;  // folded name -> number
  std::map<unsigned, std::string> names;    // number -> name as first registered
  unsigned next = 0xC000;
};

FormatRegistry& Formats() {
  static FormatRegistry registry;
  return registry;
}

std::string FoldAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return text;
}

bool sessionOpen = false;

QClipboard* SystemClipboard() {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return nullptr;
  return QGuiApplication::clipboard();
}

// The text of a CF_UNICODETEXT block: UTF-16LE up to its zero code unit, taken from the
// block's bytes in one pass.
QString UnicodeBlockText(const QByteArray& bytes) {
  const qsizetype units = bytes.size() / 2;
  QString text(units, Qt::Uninitialized);
  char16_t* out = reinterpret_cast<char16_t*>(text.data());
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.constData());
  qsizetype length = 0;
  for (; length < units; ++length) {
    const char16_t unit = static_cast<char16_t>(in[2 * length] | in[2 * length + 1] << 8);
    if (unit == 0) break;
    out[length] = unit;
  }
  text.truncate(length);
  return text;
}

// The text of a CF_UNICODETEXT block in UTF-8, made straight from the block's code units
// where they can be read in place (aligned, and the machine little-endian).
QByteArray UnicodeBlockUtf8(const QByteArray& bytes) {
  const auto* units = reinterpret_cast<const char16_t*>(bytes.constData());
  if (QSysInfo::ByteOrder != QSysInfo::LittleEndian ||
      reinterpret_cast<quintptr>(units) % alignof(char16_t) != 0) {
    return UnicodeBlockText(bytes).toUtf8();
  }
  const qsizetype count = bytes.size() / 2;
  qsizetype length = 0;
  while (length < count && units[length] != 0) ++length;
  return QStringView(units, length).toUtf8();
}

// A block's bytes, or a null array when it cannot be written.
QByteArray RenderBlock(IClipboardRenderer& renderer, unsigned format) {
  try {
    return renderer.Render(format);
  } catch (...) {
    return QByteArray();
  }
}

// The plain text of the Unicode block in UTF-8, or a null array when it cannot be written.
QByteArray RenderUtf8(IClipboardRenderer& renderer) {
  try {
    return renderer.RenderUtf8Text();
  } catch (...) {
    return QByteArray();
  }
}

// Blocks offered by name and written by the renderer when a program reads them.
class DelayedMimeData : public QMimeData {
 public:
  DelayedMimeData(std::vector<unsigned> formats, std::shared_ptr<IClipboardRenderer> renderer)
      : formats_(std::move(formats)), renderer_(std::move(renderer)) {}

  QStringList formats() const override {
    QStringList list;
    for (unsigned format : formats_) {
      list << QString::fromStdString(ClipboardMimeType(format));
      if (format == CF_UNICODETEXT) list << QStringLiteral("text/plain");
    }
    return list;
  }
  bool hasFormat(const QString& mimeType) const override {
    return formats().contains(mimeType);
  }
  const std::vector<unsigned>& Formats() const { return formats_; }
  const std::shared_ptr<IClipboardRenderer>& Renderer() const { return renderer_; }
  QByteArray Render(unsigned format) const { return RenderBlock(*renderer_, format); }

 protected:
  QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
    for (unsigned format : formats_) {
      if (mimeType == QString::fromStdString(ClipboardMimeType(format))) {
        QByteArray bytes = Render(format);
        return bytes.isNull() ? QVariant() : QVariant(std::move(bytes));
      }
      if (format == CF_UNICODETEXT && mimeType == QStringLiteral("text/plain")) {
        // Kept for the next paste of the same copy: the text is written once, and given as
        // the UTF-8 a program receives (a text asked for as such is made from it).
        if (plainText_.isNull()) {
          plainText_ = RenderUtf8(*renderer_);
          if (plainText_.isNull()) return QVariant();
        }
        if (type.id() == QMetaType::QString) return QVariant(QString::fromUtf8(plainText_));
        return QVariant(plainText_);
      }
    }
    return QVariant();
  }

 private:
  std::vector<unsigned> formats_;
  std::shared_ptr<IClipboardRenderer> renderer_;
  mutable QByteArray plainText_;  // the text/plain target in UTF-8, once asked for
};

}  // namespace

QByteArray IClipboardRenderer::RenderUtf8Text() {
  const QByteArray block = Render(CF_UNICODETEXT);
  if (block.isNull()) return block;
  QByteArray text = UnicodeBlockUtf8(block);
  if (text.isNull()) text = QByteArray("");
  return text;
}

unsigned RegisterClipboardFormat(const std::string& name) {
  FormatRegistry& formats = Formats();
  std::string key = FoldAscii(name);
  auto it = formats.numbers.find(key);
  if (it != formats.numbers.end()) return it->second;
  unsigned number = formats.next++;
  formats.numbers[key] = number;
  formats.names[number] = name;
  return number;
}

std::string ClipboardFormatName(unsigned format) {
  auto it = Formats().names.find(format);
  return it == Formats().names.end() ? "" : it->second;
}

std::string ClipboardMimeType(unsigned format) {
  if (format == CF_TEXT) return "text/plain;charset=windows-1252";
  if (format == CF_UNICODETEXT) return "text/plain;charset=utf-16le";
  std::string name = ClipboardFormatName(format);
  std::string folded = FoldAscii(name);
  if (folded == "csv") return "text/csv";
  if (folded == "rich text format") return "text/rtf";
  if (folded == "gridbif") return "application/x-gridbif";
  if (name.empty()) return "application/x-qor-clipboard-" + std::to_string(format);
  std::string safe;
  for (char c : folded) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
    safe += plain ? c : '-';
  }
  return "application/x-qor-clipboard-" + safe;
}

ClipboardSession::ClipboardSession() {
  if (sessionOpen || SystemClipboard() == nullptr) {
    throw EClipboardException("Cannot open clipboard");
  }
  sessionOpen = true;
  open_ = true;
}

ClipboardSession::~ClipboardSession() { Close(); }

void ClipboardSession::Empty() {
  if (!open_) throw EClipboardException("Cannot open clipboard");
  blocks_.clear();
  SystemClipboard()->clear();
}

void ClipboardSession::SetData(unsigned format, const std::string& bytes) {
  if (!open_) throw EClipboardException("Cannot open clipboard");
  bool replaced = false;
  for (auto& block : blocks_) {
    if (block.first == format) {
      block.second = bytes;
      replaced = true;
    }
  }
  if (!replaced) blocks_.emplace_back(format, bytes);
  Publish();
}

void ClipboardSession::Publish() {
  // A fresh mime data object each time: the clipboard owns and may delete the previous one.
  auto* data = new QMimeData;
  for (const auto& [format, bytes] : blocks_) {
    data->setData(QString::fromStdString(ClipboardMimeType(format)),
                  QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (format == CF_UNICODETEXT) {
      data->setText(UnicodeBlockText(
          QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()))));
    }
  }
  SystemClipboard()->setMimeData(data);
}

void ClipboardSession::SetDelayedData(std::vector<unsigned> formats,
                                      std::shared_ptr<IClipboardRenderer> renderer) {
  if (!open_) throw EClipboardException("Cannot open clipboard");
  blocks_.clear();
  SystemClipboard()->setMimeData(new DelayedMimeData(std::move(formats), std::move(renderer)));
}

void ClipboardSession::Close() {
  if (!open_) return;
  open_ = false;
  sessionOpen = false;
}

// The clipboard's contents when they are this program's delayed blocks; another program's
// contents come back as a different object.
static const DelayedMimeData* DelayedContents() {
  QClipboard* clipboard = SystemClipboard();
  if (clipboard == nullptr) return nullptr;
  return dynamic_cast<const DelayedMimeData*>(clipboard->mimeData());
}

bool ClipboardHoldsDelayedData() { return DelayedContents() != nullptr; }

void RenderDelayedClipboard() {
  const DelayedMimeData* delayed = DelayedContents();
  if (delayed == nullptr) return;
  auto* data = new QMimeData;
  for (unsigned format : delayed->Formats()) {
    const QByteArray bytes = delayed->Render(format);
    if (bytes.isNull()) continue;
    data->setData(QString::fromStdString(ClipboardMimeType(format)), bytes);
    if (format == CF_UNICODETEXT) data->setText(UnicodeBlockText(bytes));
  }
  SystemClipboard()->setMimeData(data);
}

// The hand-over's source number of the UTF-8 text (blocks are numbered by their format, >= 1).
constexpr int kUtf8TextSource = 0;

// The targets an X11 clipboard manager is offered for the delayed blocks: each block under
// its MIME type, and the Unicode block also as UTF-8 text under the names programs ask for.
static std::vector<HandOverTarget> HandOverTargets(
    const std::vector<unsigned>& formats, const std::shared_ptr<IClipboardRenderer>& renderer) {
  std::vector<HandOverTarget> targets;
  for (unsigned format : formats) {
    targets.push_back({ClipboardMimeType(format),
                       [renderer, format] { return RenderBlock(*renderer, format); },
                       static_cast<int>(format)});
    if (format != CF_UNICODETEXT) continue;
    for (const char* name : {"UTF8_STRING", "text/plain;charset=utf-8", "text/plain"}) {
      targets.push_back({name,
                         [renderer] { return RenderUtf8(*renderer); },
                         kUtf8TextSource});
    }
  }
  return targets;
}

void HandOverClipboardAtClose() {
  const DelayedMimeData* delayed = DelayedContents();
  if (delayed == nullptr) return;
  if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
    // The program's own clipboard: it lasts as long as the program, so the blocks stay.
    RenderDelayedClipboard();
    return;
  }
  const std::vector<unsigned> formats = delayed->Formats();
  const std::shared_ptr<IClipboardRenderer> renderer = delayed->Renderer();
  // Qt lets the selection go (and will not hand it over itself at exit); the blocks are
  // written from here on only for a clipboard manager that asks for them.
  SystemClipboard()->clear();
  SyncQtDisplayConnection();
  HandOverToClipboardManager(HandOverTargets(formats, renderer));
}

std::string ReadClipboardFormat(unsigned format) {
  QClipboard* clipboard = SystemClipboard();
  if (clipboard == nullptr) return "";
  const QMimeData* data = clipboard->mimeData();
  if (data == nullptr) return "";
  QByteArray bytes = data->data(QString::fromStdString(ClipboardMimeType(format)));
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace platform
