#pragma once

#include "DataSource.h"
#include "LibraryData.h"
#include "RecordRules.h"

#include <QMainWindow>
#include <functional>
#include <map>

class QTabWidget;
class QToolButton;
class QMenu;
class QAction;

namespace lesaro {

class DataGrid;
class GradientPanel;
class TInfoF;
class TNetzwerkF;
class TUmfrageF;

// The main window. It owns the library's tables for the whole run, shows the books, readers, all loans
// and the overdue loans, opens every other window, and runs the start-up steps when it is first shown and
// the saving steps when it is closed.
class TMainform : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainform(QWidget* parent = nullptr);
    ~TMainform() override;

    LibraryData& data() { return m_data; }
    RecordRules& rules() { return m_rules; }
    Table& ClientBuecher() { return m_data.ClientBuecher; }
    Table& ClientLeser() { return m_data.ClientLeser; }
    Table& ClientAusleihe() { return m_data.ClientAusleihe; }
    Table& ClientDataSet4() { return m_data.ClientDataSet4; }
    DataSource& DataBuecher() { return *m_dataBuecher; }
    DataSource& DataLeser() { return *m_dataLeser; }
    DataSource& DataAusleihe() { return *m_dataAusleihe; }

    // Where the data lives; tests point these at temporary folders before the window is shown.
    void FormCreate(const QString& baseFolder = LibraryData::defaultBaseFolder(), const QString& programFolder = {});

    // The windows that later parts of the program contribute. Each opens its window modally; an unset
    // one leaves its command without effect.
    std::function<void()> showBookEntry;        // TDB1EingabeF
    std::function<void()> loadRememberedValues; // fills the book entry window's lists (moves the book table)
    std::function<void()> showReaderEntry;      // TLeserEingebenF
    std::function<void()> showLoanBooking;      // TAusleiheBuchenF
    std::function<void()> showReturn;           // TRueckgabeF
    std::function<void()> showSearch;           // TAuswertenF
    std::function<bool()> showBookPrint;        // TDruckerDialogF; true when closed with "Bücher eingrenzen/sortieren"
    std::function<void()> showLoanPrint;        // TDruckerDialogAusleihlisteF
    std::function<void()> showReaderPrint;      // TDruckerDialogLeserF
    std::function<void()> showBackup;           // TDatenSichernF
    std::function<void()> showOptions;          // TOptionenF
    std::function<void()> showListCleanup;      // TComboBoxenLoeschenF
    std::function<void()> showBookImport, showReaderImport, showBookExport, showReaderExport;

    // Lists of other windows that keep their column widths in the settings (B search, E loan history).
    void registerWidthList(QChar letter, DataGrid* grid);
    void ApplyColumnWidths();
    void StoreColumnWidths();
    void ApplyFieldCaptions();
    void DisableTableControls();
    void EnableTableControls();

    // Commands of the menu, the header buttons, the context menu and the lists.
    void NeuesBuchClick();
    void BuchBearbeitenClick();
    void BuchBearbeitenDirektClick();
    void BuchLoeschenClick();
    void NeuerLeserClick();
    void LeserBearbeitenClick();
    void LeserLoeschenClick();
    void BuecherlistenClick();
    void GesamtlisteDruckenClick();
    void UeberfaelligeDruckenClick();
    void HilfeClick();
    void PageControl1Change(int index);
    // "Programm" > "Beenden": ends the run without the closing steps; only the tables' close rule writes.
    void Beenden1Click();

    QTabWidget* PageControl1() const { return m_pages; }
    QMenu* helpMenu() const { return m_helpMenu; }
    DataGrid* grid(int index) const { return m_grids[index]; }

    // Shows a message to the user; replaced by tests.
    std::function<void(const QString&)> showMessage;

    bool startupDone() const { return m_startupDone; }
    QString overdueFilter() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildHeader();
    void buildGrids();
    void buildMenu();
    QAction* addCommand(QMenu* menu, const QString& objectName, const QString& text, void (TMainform::*slot)());
    QAction* addCommand(QMenu* menu, const QString& objectName, const QString& text, std::function<void()> f);
    void FormShow();
    void FormClose();
    void restoreWindowSize();
    void storeWindowSize();
    void setPageFromProgram(int index);
    void deleteCurrent(Table& table, const QString& question);
    void releaseBookOfDeletedLoan();
    void run(const std::function<void()>& command);

    LibraryData m_data;
    RecordRules m_rules{m_data};
    DataSource* m_dataBuecher;
    DataSource* m_dataLeser;
    DataSource* m_dataAusleihe;
    GradientPanel* m_header = nullptr;
    QTabWidget* m_pages = nullptr;
    DataGrid* m_grids[4] = {};
    QMenu* m_popup = nullptr;
    QMenu* m_helpMenu = nullptr;
    TInfoF* m_info = nullptr;
    TNetzwerkF* m_netzwerk = nullptr;
    TUmfrageF* m_umfrage = nullptr;
    std::map<QChar, DataGrid*> m_widthLists;
    bool m_created = false;
    bool m_shown = false;
    bool m_startupDone = false;
    bool m_closing = false;
    bool m_settingPage = false;
};

} // namespace lesaro
