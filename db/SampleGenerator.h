#pragma once
// The deterministic sample generator behind FillSampleData and CreateCompanyDatabase.

#include "db/CompanyDatabase.h"

namespace db {

class Attachment;

// Inserts the item catalogue and the sample warehouses, movements and period costs, in bulk
// transactions of its own, and moves the id generators past the new rows.
// Requires: the tables exist; no transaction is open on the attachment.
void LoadSampleRows(Attachment& attachment, const SampleData& sample);

// Windows-1252 bytes of a UTF-8 text made of ASCII and Latin-1 letters.
std::string Cp1252FromUtf8(std::string_view text);

}  // namespace db
