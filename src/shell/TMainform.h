#pragma once

#include "ui/LibraryHandle.h"

#include <QMainWindow>
#include <functional>
#include <map>

class QTabWidget;
class QMenu;
class QAction;

namespace lesaro::labels {
class TEtikettenF;
}

namespace lesaro {

class DataGrid;
class GradientPanel;
class TAccessFormF;
class TAusleiheBuchenF;
class TAusleihhistorieF;
class TAuswertenF;
class TComboBoxenLoeschenF;
class TDB1EingabeF;
class TDatenSichernF;
class TDruckerDialogAusleihlisteF;
class TDruckerDialogF;
class TDruckerDialogLeserF;
class TExportF;
class TExportLeserF;
class TInfoF;
class TLeserkatalogF;
class TLeserEingebenF;
class TMahnOptionenF;
class TMahnungenF;
class TNetzwerkF;
class TOptionenF;
class TRueckgabeF;
class TStatistikF;
class TUmfrageF;
class TWizzardF;
class TWizzardLeserF;

// The main window: the books, readers, all loans and the overdue loans, and the place every other window
// is opened from. It creates each of them once and calls it directly. The tables are not its own: they
// belong to the library handle, which outlives every window.
class TMainform : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainform(LibraryHandle& library, QWidget* parent = nullptr);
    ~TMainform() override;

    LibraryHandle& library() { return m_library; }
    LibraryData& data() { return m_library.data(); }
    Table& ClientBuecher() { return m_library.ClientBuecher(); }
    Table& ClientLeser() { return m_library.ClientLeser(); }
    Table& ClientAusleihe() { return m_library.ClientAusleihe(); }
    Table& ClientDataSet4() { return m_library.ClientDataSet4(); }
    DataSource& DataBuecher() { return m_library.DataBuecher(); }
    DataSource& DataLeser() { return m_library.DataLeser(); }
    DataSource& DataAusleihe() { return m_library.DataAusleihe(); }

    // Where the data lives; tests point these at temporary folders before the window is shown.
    void FormCreate(const QString& baseFolder = LibraryData::defaultBaseFolder(), const QString& programFolder = {});

    // Lists of other windows that keep their column widths in the settings (B search, E loan history).
    void registerWidthList(QChar letter, DataGrid* grid);
    void ApplyColumnWidths();
    void StoreColumnWidths();
    void ApplyFieldCaptions();
    void DisableTableControls() { m_library.DisableTableControls(); }
    void EnableTableControls() { m_library.EnableTableControls(); }

    // Commands of the menu, the header buttons, the context menu and the lists.
    void AusleiheClick();
    void RueckgabeClick();
    void NeuesBuchClick();
    void BuchBearbeitenClick();
    void BuchBearbeitenDirektClick();
    void BuchLoeschenClick();
    void NeuerLeserClick();
    void LeserBearbeitenClick();
    void LeserLoeschenClick();
    void LeserDruckenClick();
    void AuswertenClick();
    void BuecherlistenClick();
    void GesamtlisteDruckenClick();
    void UeberfaelligeDruckenClick();
    // "Statistik…": made at its first use, then kept for the run.
    void StatistikClick();
    TStatistikF* StatistikF() const { return m_StatistikF; }
    void HilfeClick();
    void PageControl1Change(int index);
    // "Programm" > "Beenden": ends the run without the closing steps; only the tables' close rule writes.
    void Beenden1Click();

    QTabWidget* PageControl1() const { return m_pages; }
    QMenu* helpMenu() const { return m_helpMenu; }
    DataGrid* grid(int index) const { return m_grids[index]; }

    bool startupDone() const { return m_startupDone; }
    QString overdueFilter() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildHeader();
    void buildGrids();
    void buildMenu();
    void createWindows();
    QAction* addCommand(QMenu* menu, const QString& objectName, const QString& text, void (TMainform::*slot)());
    QAction* addCommand(QMenu* menu, const QString& objectName, const QString& text, std::function<void()> f);
    void FormShow();
    void FormClose();
    void restoreWindowSize();
    void storeWindowSize();
    void setPageFromProgram(int index);
    void deleteCurrent(Table& table, const QString& question);
    void releaseBookOfDeletedLoan();
    void editBook(bool fillLists);
    // Makes the book of the loan list's marked loan the current book; false, after telling why, when it is not
    // in the book list.
    bool locateBookOfCurrentLoan();
    // Every command runs through here: an engine failure ends the command and reaches the user as the
    // German message, and the program goes on.
    void run(const std::function<void()>& command);

    LibraryHandle& m_library;
    GradientPanel* m_header = nullptr;
    QTabWidget* m_pages = nullptr;
    DataGrid* m_grids[4] = {};
    QMenu* m_popup = nullptr;
    QMenu* m_helpMenu = nullptr;
    std::map<QChar, DataGrid*> m_widthLists;

    TDB1EingabeF* m_DB1EingabeF = nullptr;
    TAuswertenF* m_AuswertenF = nullptr;
    TDruckerDialogF* m_DruckerDialogF = nullptr;
    TDatenSichernF* m_DatenSichernF = nullptr;
    TOptionenF* m_OptionenF = nullptr;
    TInfoF* m_InfoF = nullptr;
    TNetzwerkF* m_NetzwerkF = nullptr;
    TUmfrageF* m_UmfrageF = nullptr;
    TLeserEingebenF* m_LeserEingebenF = nullptr;
    TAusleiheBuchenF* m_AusleiheBuchenF = nullptr;
    TRueckgabeF* m_RueckgabeF = nullptr;
    TAusleihhistorieF* m_AusleihhistorieF = nullptr;
    TDruckerDialogAusleihlisteF* m_DruckerDialogAusleihlisteF = nullptr;
    TDruckerDialogLeserF* m_DruckerDialogLeserF = nullptr;
    TComboBoxenLoeschenF* m_ComboBoxenLoeschenF = nullptr;
    TExportLeserF* m_ExportLeserF = nullptr;
    TExportF* m_ExportF = nullptr;
    TWizzardF* m_WizzardF = nullptr;
    TAccessFormF* m_AccessFormF = nullptr;
    TWizzardLeserF* m_WizzardLeserF = nullptr;
    TMahnungenF* m_MahnungenF = nullptr;
    TMahnOptionenF* m_MahnOptionenF = nullptr;
    TLeserkatalogF* m_LeserkatalogF = nullptr;
    labels::TEtikettenF* m_EtikettenF = nullptr;
    labels::TEtikettenF* m_LeserausweiseF = nullptr;
    TStatistikF* m_StatistikF = nullptr;

    bool m_created = false;
    bool m_shown = false;
    bool m_startupDone = false;
    bool m_closing = false;
    bool m_settingPage = false;
};

} // namespace lesaro
