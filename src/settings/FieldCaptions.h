#pragma once

#include <QStringList>

namespace lesaro::FieldCaptions {

// The column titles of book lists, one per list column in field order (Nummer … Schlagwort10). Eleven of
// them come from the settings, so that a library can call "Signatur" what it calls its shelf marks.
QStringList BookColumnCaptions();
QStringList LoanColumnCaptions();
QStringList ReaderColumnCaptions();

// On a fresh installation writes the default captions into the settings; then rereads the captions.
// Returns the book column captions.
QStringList ApplyFieldCaptions();

// The book fields of the 23 list columns, in order.
QStringList bookColumnFields();

} // namespace lesaro::FieldCaptions
