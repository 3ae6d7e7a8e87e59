#pragma once

// The page setup the operator last chose (paper, orientation, margins), kept per user between
// prints and between runs in the program's settings file (~/.config/Galvora/repcostoav.conf).

#include <QPageLayout>
#include <optional>

// The page setup last stored; none when nothing was stored or what is stored is not usable.
std::optional<QPageLayout> StoredPageLayout();

// Stores `layout` as the operator's page setup.
void StorePageLayout(const QPageLayout& layout);
