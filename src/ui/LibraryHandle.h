#pragma once

#include "library/LibraryData.h"
#include "library/RecordRules.h"
#include "ui/DataSource.h"
#include "ui/LookupFollower.h"

namespace lesaro {

// The one handle every window gets: the library's four tables with their rules and the data sources the
// controls bind to. It is made before the first window and outlives the last, so no window ever shows a
// table that is gone, and no window holds a copy of a table.
class LibraryHandle {
public:
    LibraryHandle();
    ~LibraryHandle();
    LibraryHandle(const LibraryHandle&) = delete;
    LibraryHandle& operator=(const LibraryHandle&) = delete;

    LibraryData& data() { return m_data; }
    RecordRules& rules() { return m_rules; }

    Table& ClientBuecher() { return m_data.ClientBuecher; }
    Table& ClientLeser() { return m_data.ClientLeser; }
    Table& ClientAusleihe() { return m_data.ClientAusleihe; }
    Table& ClientDataSet4() { return m_data.ClientDataSet4; }
    DataSource& DataBuecher() { return m_dataBuecher; }
    DataSource& DataLeser() { return m_dataLeser; }
    DataSource& DataAusleihe() { return m_dataAusleihe; }
    DataSource& DataSource4() { return m_dataSource4; }

    // Hold back the lists' repainting while a preparation moves the tables, and let it go again; the
    // orders (reader, loan, book; then reader, book, loan) are the ones the lists were designed around.
    void DisableTableControls();
    void EnableTableControls();
    // The same for one scope; an engine error inside the scope still lets the lists go.
    [[nodiscard]] ControlsDisabled tableControlsDisabled();

private:
    LibraryData m_data;
    RecordRules m_rules{m_data};
    DataSource m_dataBuecher{m_data.ClientBuecher};
    DataSource m_dataLeser{m_data.ClientLeser};
    DataSource m_dataAusleihe{m_data.ClientAusleihe};
    DataSource m_dataSource4{m_data.ClientDataSet4};
    LookupFollower m_loanLookups{m_dataAusleihe, {&m_dataBuecher, &m_dataLeser}};
};

} // namespace lesaro
