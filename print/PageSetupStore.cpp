#include "print/PageSetupStore.h"

#include <QMarginsF>
#include <QPageSize>
#include <QSizeF>
#include <QSettings>

#include "platform/UserSettings.h"

namespace {

QSettings Settings() { return QSettings(platform::UserSettingsFile(), QSettings::IniFormat); }

const QString kPaper = QStringLiteral("PageSetup/Paper");              // a QPageSize id
const QString kWidth = QStringLiteral("PageSetup/WidthMm");            // a custom paper
const QString kHeight = QStringLiteral("PageSetup/HeightMm");
const QString kPortrait = QStringLiteral("PageSetup/Portrait");
const QString kMargins = QStringLiteral("PageSetup/MarginsMm");        // left, top, right, bottom

}  // namespace

std::optional<QPageLayout> StoredPageLayout() {
  const QSettings settings = Settings();
  if (!settings.contains(kPaper)) return std::nullopt;
  bool ok = false;
  const int id = settings.value(kPaper).toInt(&ok);
  if (!ok || id < 0 || id > QPageSize::LastPageSize) return std::nullopt;
  QPageSize size(static_cast<QPageSize::PageSizeId>(id));
  if (id == QPageSize::Custom) {
    const double width = settings.value(kWidth).toDouble();
    const double height = settings.value(kHeight).toDouble();
    if (!(width > 10 && height > 10 && width < 10000 && height < 10000)) return std::nullopt;
    size = QPageSize(QSizeF(width, height), QPageSize::Millimeter);
  }
  const QStringList margins = settings.value(kMargins).toStringList();
  if (margins.size() != 4) return std::nullopt;
  double m[4];
  for (int i = 0; i < 4; ++i) {
    m[i] = margins[i].toDouble(&ok);
    if (!ok || m[i] < 0) return std::nullopt;
  }
  QPageLayout layout(size,
                     settings.value(kPortrait).toBool() ? QPageLayout::Portrait
                                                        : QPageLayout::Landscape,
                     QMarginsF(), QPageLayout::Millimeter);
  // Margins that leave no room on this paper are not taken.
  if (!layout.setMargins(QMarginsF(m[0], m[1], m[2], m[3]))) return std::nullopt;
  return layout;
}

void StorePageLayout(const QPageLayout& layout) {
  QSettings settings = Settings();
  const QPageSize size = layout.pageSize();
  settings.setValue(kPaper, static_cast<int>(size.id()));
  const QSizeF mm = size.size(QPageSize::Millimeter);
  settings.setValue(kWidth, mm.width());
  settings.setValue(kHeight, mm.height());
  settings.setValue(kPortrait, layout.orientation() == QPageLayout::Portrait);
  const QMarginsF margins = layout.margins(QPageLayout::Millimeter);
  settings.setValue(kMargins, QStringList{QString::number(margins.left()),
                                          QString::number(margins.top()),
                                          QString::number(margins.right()),
                                          QString::number(margins.bottom())});
}
