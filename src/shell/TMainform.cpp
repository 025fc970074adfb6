#include "shell/TMainform.h"

#include "catalogue/TDB1EingabeF.h"
#include "catalogue/TLeserEingebenF.h"
#include "core/Clock.h"
#include "core/EngineError.h"
#include "exchange/MahnlisteExportieren.h"
#include "exchange/TAccessFormF.h"
#include "exchange/TExportF.h"
#include "exchange/TExportLeserF.h"
#include "exchange/TWizzardF.h"
#include "exchange/TWizzardLeserF.h"
#include "labels/TEtikettenF.h"
#include "lending/TAusleiheBuchenF.h"
#include "lending/TAusleihhistorieF.h"
#include "lending/TRueckgabeF.h"
#include "library/Journal.h"
#include "library/LoanRelease.h"
#include "library/OverdueLoans.h"
#include "maintenance/TComboBoxenLoeschenF.h"
#include "maintenance/TDatenSichernF.h"
#include "maintenance/TOptionenF.h"
#include "printing/MahnOptionen.h"
#include "printing/MahnPreview.h"
#include "printing/TDruckerDialogAusleihlisteF.h"
#include "printing/TDruckerDialogF.h"
#include "printing/TDruckerDialogLeserF.h"
#include "readercatalogue/TLeserkatalogF.h"
#include "search/TAuswertenF.h"
#include "settings/FieldCaptions.h"
#include "settings/INI.h"
#include "settings/SettingsStore.h"
#include "shell/TInfoF.h"
#include "shell/TNetzwerkF.h"
#include "shell/TUmfrageF.h"
#include "statistics/TStatistikF.h"
#include "ui/DataGrid.h"
#include "ui/DesktopOpener.h"
#include "ui/ErrorPath.h"
#include "ui/Glyphs.h"
#include "ui/GradientPanel.h"
#include "ui/MessageService.h"
#include "ui/SaveFailureBoxes.h"
#include "ui/TableModel.h"
#include "ui/WindowStyle.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace lesaro {

namespace {

// A list column by field and design width; 0 is the grid's default width.
struct ColumnDesign {
    const char* field;
    int width;
};

constexpr ColumnDesign kReaderColumns[] = {{"Nummer", 0},       {"Vorname", 100},  {"Nachname", 100}, {"Strae", 100},
                                           {"PLZ", 50},         {"Ort", 100},      {"Telefon", 100},  {"eMail", 100},
                                           {"Sonstiges1", 100}, {"Bemerkung", 100}};
constexpr ColumnDesign kLoanColumns[] = {{"BuchNummer", 50},  {"BuchVerfasser", 100}, {"BuchTitel", 100},
                                         {"LeserNummer", 50}, {"LeserVorname", 100},  {"LeserNachname", 100},
                                         {"DatumVon", 0},     {"DatumBis", 0},        {"DatumBisSoll", 0}};
constexpr int kBookWidths[] = {29, 75, 66, 55, 30, 43, 32, 45, 26, 33, 28, 29, 38}; // then 50 per keyword

QList<GridColumn> bookColumns() {
    const QStringList fields = FieldCaptions::bookColumnFields();
    const QStringList titles = FieldCaptions::BookColumnCaptions();
    QList<GridColumn> out;
    for (int i = 0; i < fields.size(); ++i)
        out << GridColumn{fields[i], titles[i], i < int(std::size(kBookWidths)) ? kBookWidths[i] : 50};
    return out;
}

QList<GridColumn> readerColumns() {
    // The reader list is titled by its field names, except the street, whose field name lost its "ß".
    QList<GridColumn> out;
    for (const ColumnDesign& c : kReaderColumns) {
        const QString field = QString::fromLatin1(c.field);
        out << GridColumn{field, field == QLatin1String("Strae") ? QStringLiteral("Straße") : field, c.width};
    }
    return out;
}

QList<GridColumn> loanColumns() {
    const QStringList titles = FieldCaptions::LoanColumnCaptions();
    QList<GridColumn> out;
    for (int i = 0; i < int(std::size(kLoanColumns)); ++i)
        out << GridColumn{QString::fromLatin1(kLoanColumns[i].field), titles[i], kLoanColumns[i].width};
    return out;
}

} // namespace

TMainform::TMainform(LibraryHandle& library, QWidget* parent)
    : QMainWindow(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("Mainform"));
    setWindowTitle(QStringLiteral("Tomarelle 2022 by Orvendel Software"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, WindowStyle::dialogBackground());
    setPalette(pal);
    // A fresh installation's captions are written just before, so the lists take them before storing.
    connect(&data(), &LibraryData::emptyTablesCreated, this, [this] {
        ApplyFieldCaptions();
        StoreColumnWidths();
    });

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildHeader();
    layout->addWidget(m_header);
    buildGrids();
    layout->addWidget(m_pages, 1);
    setCentralWidget(central);
    createWindows();
    buildMenu();
    resize(778, 488 + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TMainform::~TMainform() = default;

void TMainform::createWindows() {
    // Once each, in the order the start-up relies on: its later steps use the search window, the book entry
    // window, the book print dialog and the loan history window.
    m_DB1EingabeF = new TDB1EingabeF(m_library, this);
    m_AuswertenF = new TAuswertenF(m_library, this);
    m_DruckerDialogF = new TDruckerDialogF(m_library, this);
    m_DatenSichernF = new TDatenSichernF(m_library, this);
    m_OptionenF = new TOptionenF(m_library, this);
    m_InfoF = new TInfoF(this);
    m_NetzwerkF = new TNetzwerkF(this);
    m_UmfrageF = new TUmfrageF(this);
    m_LeserEingebenF = new TLeserEingebenF(m_library, this);
    m_AusleiheBuchenF = new TAusleiheBuchenF(m_library, this);
    m_RueckgabeF = new TRueckgabeF(m_library, this);
    m_AusleihhistorieF = new TAusleihhistorieF(m_library, this);
    connect(m_DB1EingabeF, &TDB1EingabeF::loanHistoryRequested, this,
            [this] { run([this] { m_AusleihhistorieF->exec(); }); });
    registerWidthList(QLatin1Char('E'), m_AusleihhistorieF->DBGrid1());
    m_DruckerDialogAusleihlisteF = new TDruckerDialogAusleihlisteF(m_library, this);
    m_DruckerDialogLeserF = new TDruckerDialogLeserF(m_library, this);
    m_ComboBoxenLoeschenF = new TComboBoxenLoeschenF(m_library, this);
    m_ExportLeserF = new TExportLeserF(m_library, this);
    m_ExportF = new TExportF(m_library, this);
    m_WizzardF = new TWizzardF(m_library, this);
    m_AccessFormF = new TAccessFormF(m_library, this);
    m_WizzardLeserF = new TWizzardLeserF(m_library, this);
    m_MahnungenF = new TMahnungenF(m_library, this);
    m_MahnOptionenF = new TMahnOptionenF(m_library, this);
    m_MahnungenF->setOptionsWindow(m_MahnOptionenF);
    m_LeserkatalogF = new TLeserkatalogF(m_library, this);
    m_EtikettenF = new labels::TEtikettenF(m_library, labels::LabelKind::Book, this);
    m_LeserausweiseF = new labels::TEtikettenF(m_library, labels::LabelKind::Reader, this);
    // What a window changed reaches the disk's crash journal as soon as the window closes.
    for (QDialog* window : findChildren<QDialog*>(Qt::FindDirectChildrenOnly))
        connect(window, &QDialog::finished, this, [this] {
            const QString problem = data().flushJournal();
            if (!problem.isEmpty())
                MessageService::warning(this, problem);
        });
    // A failed journal write is told at once, not only when the window closes: every entry from then on is
    // unprotected. Queued, so that the box never opens in the middle of the post that failed.
    connect(
        &data().journal(), &Journal::failed, this,
        [this] {
            const QString problem = data().journal().takeProblem();
            if (!problem.isEmpty())
                MessageService::warning(QApplication::activeModalWidget() ? QApplication::activeModalWidget() : this,
                                        problem);
        },
        Qt::QueuedConnection);

    registerWidthList(QLatin1Char('B'), m_AuswertenF->DBGrid1());
    connect(m_AuswertenF, &TAuswertenF::bookEntryRequested, this, [this] { run([this] { m_DB1EingabeF->exec(); }); });
    connect(m_AuswertenF, &TAuswertenF::printRequested, this, [this] {
        run([this] {
            // The hit list is printed as it stands, so the print dialog offers no narrowing of its own.
            m_DruckerDialogF->setNarrowButtonVisible(false);
            m_DruckerDialogF->exec();
        });
    });
    connect(m_OptionenF, &TOptionenF::captionsApplied, this, [this] {
        ApplyFieldCaptions();
        StoreColumnWidths();
    });
    // The lists follow the restored tables on their own; merged settings may bring other captions.
    connect(m_DatenSichernF, &TDatenSichernF::restored, this, [this] { ApplyFieldCaptions(); });
}

void TMainform::buildHeader() {
    m_header = new GradientPanel(Qt::white, WindowStyle::navy(), this);
    m_header->setObjectName(QStringLiteral("GradientPanel1"));
    m_header->setFixedHeight(72);
    auto* row = new QHBoxLayout(m_header);
    row->setContentsMargins(8, 18, 8, 18);
    row->setSpacing(4);
    const struct {
        const char* name;
        const char* caption;
        Glyph glyph;
        void (TMainform::*command)();
    } buttons[] = {
        {"SBAusleihe", "Ausleihe", Glyph::Lend, &TMainform::AusleiheClick},
        {"SBRueckgabe", "Rückgabe", Glyph::Return, &TMainform::RueckgabeClick},
        {"SBNeuesBuch", "Neues Buch", Glyph::NewBook, &TMainform::NeuesBuchClick},
        {"SBNeuerLeser", "Neuer Leser", Glyph::NewReader, &TMainform::NeuerLeserClick},
        {"SBAuswerten", "Auswerten/Suchen", Glyph::Search, &TMainform::AuswertenClick},
        {"SBBuecherlisten", "Bücherlisten", Glyph::Lists, &TMainform::BuecherlistenClick},
        {"SBHilfe", "Hilfe", Glyph::Help, &TMainform::HilfeClick},
    };
    for (const auto& b : buttons) {
        auto* button = new QToolButton(m_header);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setText(QString::fromUtf8(b.caption));
        button->setIcon(glyph(b.glyph));
        button->setIconSize(QSize(16, 16));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setFixedHeight(36);
        button->setFocusPolicy(Qt::NoFocus);
        button->setStyleSheet(QStringLiteral("QToolButton { color: white; font-family: Arial; font-size: 12px; "
                                             "border: none; padding: 0 6px; }"
                                             "QToolButton:hover { background: rgba(255,255,255,40); }"));
        connect(button, &QToolButton::clicked, this, [this, command = b.command] { (this->*command)(); });
        row->addWidget(button);
    }
    row->addStretch(1);
}

void TMainform::buildGrids() {
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));

    const QList<GridColumn> books = bookColumns();
    const QList<GridColumn> readers = readerColumns();
    const QList<GridColumn> loans = loanColumns();
    QList<GridColumn> overdue = loans;
    overdue.removeIf([](const GridColumn& c) { return c.field == QLatin1String("DatumBis"); });

    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenu1"));
    m_popup->addAction(QStringLiteral("Neues Buch anlegen"), this, [this] { NeuesBuchClick(); });
    m_popup->addAction(QStringLiteral("Buch bearbeiten"), this, [this] { BuchBearbeitenDirektClick(); });
    m_popup->addAction(QStringLiteral("Buch löschen"), this, [this] { BuchLoeschenClick(); });

    const struct {
        const char* name;
        const char* tab;
        DataSource* source;
        const QList<GridColumn>* columns;
    } grids[] = {{"DBGrid1", "Bücher", &DataBuecher(), &books},
                 {"DBGrid2", "Leser", &DataLeser(), &readers},
                 {"DBGrid3", "Ausleihliste", &DataAusleihe(), &loans},
                 {"DBGrid4", "Überfällige Bücher", &DataAusleihe(), &overdue}};
    for (int i = 0; i < 4; ++i) {
        auto* g = new DataGrid(m_pages);
        g->setObjectName(QString::fromLatin1(grids[i].name));
        g->bind(grids[i].source, *grids[i].columns);
        g->setPopupMenu(m_popup);
        g->setDeleteEnabled(true);
        m_grids[i] = g;
        m_pages->addTab(g, QString::fromUtf8(grids[i].tab));
    }
    m_widthLists[QLatin1Char('A')] = m_grids[0];
    m_widthLists[QLatin1Char('C')] = m_grids[1];
    m_widthLists[QLatin1Char('D')] = m_grids[2];

    connect(m_grids[0], &DataGrid::titleClicked, this,
            [this](int, const QString& field) { run([&] { ClientBuecher().setIndexFieldNames(field); }); });
    connect(m_grids[1], &DataGrid::titleClicked, this,
            [this](int, const QString& field) { run([&] { ClientLeser().setIndexFieldNames(field); }); });
    connect(m_grids[0], &DataGrid::rowDoubleClicked, this, [this] { BuchBearbeitenClick(); });
    connect(m_grids[1], &DataGrid::rowDoubleClicked, this, [this] { LeserBearbeitenClick(); });
    // A loan deleted while still open would leave its book marked as lent for good.
    for (int i : {2, 3})
        connect(m_grids[i], &DataGrid::rowDeleting, this, [this] { releaseBookOfDeletedLoan(); });
    connect(m_pages, &QTabWidget::currentChanged, this, [this](int index) {
        if (!m_settingPage)
            PageControl1Change(index);
    });
}

QAction* TMainform::addCommand(QMenu* menu, const QString& objectName, const QString& text, std::function<void()> f) {
    QAction* a = menu->addAction(text);
    a->setObjectName(objectName);
    connect(a, &QAction::triggered, this, [this, f = std::move(f)] { run(f); });
    return a;
}

QAction* TMainform::addCommand(QMenu* menu, const QString& objectName, const QString& text, void (TMainform::*slot)()) {
    return addCommand(menu, objectName, text, [this, slot] { (this->*slot)(); });
}

void TMainform::buildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto opens = [](QDialog* window) { return [window] { window->exec(); }; };

    QMenu* programm = bar->addMenu(QStringLiteral("Programm"));
    addCommand(programm, QStringLiteral("Datenbanksichern1"), QStringLiteral("Datenbank sichern/zurücklesen"),
               opens(m_DatenSichernF));
    programm->addSeparator();
    addCommand(programm, QStringLiteral("Beenden1"), QStringLiteral("Beenden"), &TMainform::Beenden1Click);

    QMenu* ausleihe = bar->addMenu(QStringLiteral("Ausleihe"));
    addCommand(ausleihe, QStringLiteral("Ausleihen1"), QStringLiteral("Ausleihen"), &TMainform::AusleiheClick)
        ->setShortcut(Qt::Key_F3);
    addCommand(ausleihe, QStringLiteral("Rueckgabe1"), QStringLiteral("Rückgabe"), &TMainform::RueckgabeClick)
        ->setShortcut(Qt::Key_F4);
    ausleihe->addSeparator();
    addCommand(ausleihe, QStringLiteral("Gesamtlistedrucken1"), QStringLiteral("Gesamtliste drucken"),
               &TMainform::GesamtlisteDruckenClick);
    addCommand(ausleihe, QStringLiteral("UeberfaelligeBuecherdrucken1"),
               QStringLiteral("\"Überfällige Bücher\" drucken"), &TMainform::UeberfaelligeDruckenClick);
    addCommand(ausleihe, QStringLiteral("Statistik1"), QStringLiteral("Statistik…"), &TMainform::StatistikClick);
    ausleihe->addSeparator();
    addCommand(ausleihe, QStringLiteral("Mahnungendrucken1"), QStringLiteral("Mahnungen drucken…"),
               opens(m_MahnungenF));
    addCommand(ausleihe, QStringLiteral("Mahnlisteexportieren1"), QStringLiteral("Mahnliste exportieren…"),
               [this] { run([this] { MahnlisteExportieren(m_library, this); }); });

    QMenu* leser = bar->addMenu(QStringLiteral("Leser"));
    addCommand(leser, QStringLiteral("LeserNeu1"), QStringLiteral("Neu"), &TMainform::NeuerLeserClick);
    addCommand(leser, QStringLiteral("LeserBearbeiten1"), QStringLiteral("Bearbeiten"),
               &TMainform::LeserBearbeitenClick);
    addCommand(leser, QStringLiteral("LeserLoeschen1"), QStringLiteral("Löschen"), &TMainform::LeserLoeschenClick);
    addCommand(leser, QStringLiteral("LeserDrucken1"), QStringLiteral("Drucken"), &TMainform::LeserDruckenClick);
    addCommand(leser, QStringLiteral("Leserausweisedrucken1"), QStringLiteral("Leserausweise drucken…"),
               opens(m_LeserausweiseF));
    leser->addSeparator();
    addCommand(leser, QStringLiteral("LeserImportieren1"), QStringLiteral("Daten importieren"), opens(m_WizzardLeserF));
    addCommand(leser, QStringLiteral("LeserExportieren1"), QStringLiteral("Daten exportieren"), opens(m_ExportLeserF));

    QMenu* buecher = bar->addMenu(QStringLiteral("Bücher"));
    addCommand(buecher, QStringLiteral("BuchNeu1"), QStringLiteral("Neu"), &TMainform::NeuesBuchClick)
        ->setStatusTip(QStringLiteral("Neues Buch anlegen"));
    addCommand(buecher, QStringLiteral("BuchBearbeiten1"), QStringLiteral("Bearbeiten"),
               &TMainform::BuchBearbeitenClick)
        ->setStatusTip(QStringLiteral("Bücher bearbeiten"));
    addCommand(buecher, QStringLiteral("Auswerten1"), QStringLiteral("Auswerten / Suchen"), &TMainform::AuswertenClick)
        ->setStatusTip(QStringLiteral("Bücher auswerten / suchen"));
    addCommand(buecher, QStringLiteral("BuchDrucken1"), QStringLiteral("Drucken"), &TMainform::BuecherlistenClick)
        ->setStatusTip(QStringLiteral("Bücherlisten drucken"));
    addCommand(buecher, QStringLiteral("Etikettendrucken1"), QStringLiteral("Etiketten drucken…"), opens(m_EtikettenF))
        ->setStatusTip(QStringLiteral("Buchetiketten mit Strichcode drucken"));
    buecher->addSeparator();
    addCommand(buecher, QStringLiteral("BuchLoeschen1"), QStringLiteral("Löschen"), &TMainform::BuchLoeschenClick);
    buecher->addSeparator();
    addCommand(buecher, QStringLiteral("BuchImportieren1"), QStringLiteral("Daten importieren"), opens(m_WizzardF));
    addCommand(buecher, QStringLiteral("BuchExportieren1"), QStringLiteral("Daten exportieren"), opens(m_ExportF));
    addCommand(buecher, QStringLiteral("Leserkatalog1"), QStringLiteral("Katalog für Leser exportieren…"),
               opens(m_LeserkatalogF));

    QMenu* optionen = bar->addMenu(QStringLiteral("Optionen"));
    addCommand(optionen, QStringLiteral("Feldnamen1"), QStringLiteral("Feldnamen"), opens(m_OptionenF));
    addCommand(optionen, QStringLiteral("StandardVerleihdauer1"), QStringLiteral("Standard-Verleihdauer"),
               opens(m_OptionenF));
    addCommand(optionen, QStringLiteral("DatenausBoxenloeschen1"), QStringLiteral("Daten aus Boxen löschen"),
               opens(m_ComboBoxenLoeschenF));
    addCommand(optionen, QStringLiteral("Mahnschreiben1"), QStringLiteral("Mahnschreiben…"), opens(m_MahnOptionenF));

    QMenu* hilfe = bar->addMenu(QStringLiteral("Hilfe"));
    hilfe->setObjectName(QStringLiteral("Hilfe1"));
    addCommand(hilfe, QStringLiteral("Hilfeaufrufen1"), QStringLiteral("Hilfe aufrufen"), &TMainform::HilfeClick)
        ->setShortcut(Qt::Key_F1);
    addCommand(hilfe, QStringLiteral("Netzwerk1"), QStringLiteral("Netzwerk- und Mehrbenutzerbetrieb"), [this] {
        m_NetzwerkF->setDataFolder(data().DataFolder());
        m_NetzwerkF->exec();
    });
    addCommand(hilfe, QStringLiteral("Internet1"), QStringLiteral("Orvendel Software im Internet"),
               [this] { DesktopOpener::openMakerPage(this); });
    hilfe->addSeparator();
    addCommand(hilfe, QStringLiteral("Umfrage1"), QStringLiteral("UMFRAGE zur Verbesserung des Programmes"),
               opens(m_UmfrageF));
    addCommand(hilfe, QStringLiteral("Info1"), QStringLiteral("Info"), opens(m_InfoF));
    m_helpMenu = hilfe;
}

void TMainform::run(const std::function<void()>& command) {
    runOrShowError(this, command);
}

// ---------------------------------------------------------------------------------------------------
// Start and end of the run

void TMainform::FormCreate(const QString& baseFolder, const QString& programFolder) {
    data().FormCreate(baseFolder, programFolder);
    if (!programFolder.isEmpty())
        DesktopOpener::setProgramFolder(programFolder);
    m_created = true;
}

void TMainform::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    if (!m_created)
        FormCreate();
    FormShow();
}

void TMainform::restoreWindowSize() {
    if (INI::ReadSettingString(QStringLiteral("WindowState")) == QLatin1String("wsMaximized")) {
        setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    int height = INI::ReadSettingInteger(QStringLiteral("Height"));
    int width = INI::ReadSettingInteger(QStringLiteral("Width"));
    if (height < 200)
        height = 500;
    if (width < 200)
        width = 700;
    resize(width, height);
}

void TMainform::FormShow() {
    restoreWindowSize();
    try {
        data().loadAtStart();
        ApplyFieldCaptions();
        ApplyColumnWidths();
        data().applySortOrders();
        m_startupDone = true;
    } catch (const EngineError& e) {
        // The lists still get their titles, so the user can read what the failed start left in them.
        ApplyFieldCaptions();
        QString text = e.message();
        if (!data().startupProblem().isEmpty())
            text += QStringLiteral("\n\n") + data().startupProblem();
        MessageService::error(this, text);
    }
    const QString notice = SettingsStore::instance().takeNotice();
    if (!notice.isEmpty())
        MessageService::error(this, notice);
    const QString recovered = data().recoveryNotice();
    if (!recovered.isEmpty())
        MessageService::notice(this, recovered);
}

void TMainform::storeWindowSize() {
    if (isMinimized())
        return;
    if (isMaximized()) {
        INI::WriteSettingString(QStringLiteral("WindowState"), QStringLiteral("wsMaximized"));
        return;
    }
    INI::WriteSettingString(QStringLiteral("WindowState"), QStringLiteral("wsNormal"));
    // The size restored at the next start is the size given to resize(), which excludes the window
    // manager's frame; storing the same measure keeps the window from growing by its frame at every start.
    INI::WriteSettingInteger(QStringLiteral("Height"), height());
    INI::WriteSettingInteger(QStringLiteral("Width"), width());
}

void TMainform::FormClose() {
    // A failed write (a full disk) asks before anything is lost; the window closes only after that.
    SaveFailureBoxes questions(this);
    data().saveAtEnd([this] { data().saveTables(); }, questions);
    if (m_startupDone)
        data().storeSortOrders();
    storeWindowSize();
    if (m_startupDone)
        StoreColumnWidths();
    INI::FlushSettings();
}

void TMainform::closeEvent(QCloseEvent* event) {
    if (!m_closing) {
        m_closing = true;
        // A row still being typed is kept, as leaving it in a list would keep it.
        for (Table* t : {&ClientBuecher(), &ClientLeser(), &ClientAusleihe()})
            run([t] { t->CheckBrowseMode(); });
        FormClose();
    }
    event->accept();
}

void TMainform::Beenden1Click() {
    m_closing = true; // no closing steps: only the tables' close rule writes at the end of the run
    close();
}

// ---------------------------------------------------------------------------------------------------
// Captions and column widths

void TMainform::ApplyFieldCaptions() {
    const QStringList captions = FieldCaptions::ApplyFieldCaptions();
    m_DB1EingabeF->ApplyFieldCaptions(captions);
    m_DruckerDialogF->setFieldCaptions(captions);
    for (QChar letter : {QLatin1Char('A'), QLatin1Char('B')}) {
        const auto list = m_widthLists.find(letter);
        if (list == m_widthLists.end())
            continue;
        TableModel* model = list->second->tableModel();
        for (int i = 0; i < captions.size() && i < model->columnCount(); ++i)
            model->setColumnTitle(i, captions[i]);
    }
}

void TMainform::registerWidthList(QChar letter, DataGrid* grid) {
    m_widthLists[letter] = grid;
}

void TMainform::ApplyColumnWidths() {
    for (const auto& [letter, grid] : m_widthLists) {
        const QStringList titles = grid->columnTitles();
        for (int c = 0; c < titles.size(); ++c) {
            const int w = INI::ReadSettingInteger(QStringLiteral("Breite") + letter + titles[c]);
            grid->setColumnWidth(c, w != 0 ? w : 50);
        }
    }
}

void TMainform::StoreColumnWidths() {
    for (const auto& [letter, grid] : m_widthLists) {
        const QStringList titles = grid->columnTitles();
        for (int c = 0; c < titles.size(); ++c)
            INI::WriteSettingInteger(QStringLiteral("Breite") + letter + titles[c], grid->columnWidth(c));
    }
}

// ---------------------------------------------------------------------------------------------------
// Commands

void TMainform::AusleiheClick() {
    run([this] { m_AusleiheBuchenF->exec(); });
}

void TMainform::RueckgabeClick() {
    run([this] { m_RueckgabeF->exec(); });
}

void TMainform::AuswertenClick() {
    run([this] { m_AuswertenF->exec(); });
}

void TMainform::LeserDruckenClick() {
    run([this] { m_DruckerDialogLeserF->exec(); });
}

void TMainform::NeuesBuchClick() {
    run([this] {
        {
            const auto quiet = m_library.tableControlsDisabled();
            m_DB1EingabeF->LoadRememberedValues();
        }
        ClientBuecher().Insert();
        m_DB1EingabeF->exec();
    });
}

void TMainform::editBook(bool fillLists) {
    if (ClientBuecher().RecordCount() == 0)
        return;
    run([this, fillLists] {
        if (fillLists) {
            // Filling the lists moves the book table; the window must still show the marked book.
            const int recNo = ClientBuecher().RecNo();
            {
                const auto quiet = m_library.tableControlsDisabled();
                m_DB1EingabeF->LoadRememberedValues();
            }
            ClientBuecher().MoveTo(recNo);
        }
        m_DB1EingabeF->exec();
    });
}

void TMainform::BuchBearbeitenClick() {
    editBook(true);
}

void TMainform::BuchBearbeitenDirektClick() {
    const int tab = m_pages->currentIndex();
    if (tab == 2 || tab == 3) {
        // On a loan list the marked row is a loan: the book to edit is that loan's, not the one the book
        // list happens to have marked.
        bool found = false;
        run([this, &found] { found = locateBookOfCurrentLoan(); });
        if (!found)
            return;
        editBook(false);
        // The book window narrowed the loan table to the book's loans; the list shows its loans again.
        PageControl1Change(tab);
        return;
    }
    editBook(false);
}

bool TMainform::locateBookOfCurrentLoan() {
    Table& loans = ClientAusleihe();
    if (loans.RecordCount() == 0)
        return false;
    const QVariant book = loans.FieldByName(QStringLiteral("BuecherID")).AsVariant();
    Table& books = ClientBuecher();
    if (book.isValid() && books.Locate(QStringLiteral("ID"), {book}))
        return true;
    MessageService::notice(this, books.Filtered()
                                     ? QStringLiteral("Das Buch dieser Ausleihe gehört nicht zur eingegrenzten "
                                                      "Bücherliste.")
                                     : QStringLiteral("Das Buch dieser Ausleihe ist nicht mehr vorhanden."));
    return false;
}

void TMainform::deleteCurrent(Table& table, const QString& question) {
    using B = MessageService::Button;
    if (MessageService::confirm(this, question, MessageService::Buttons(B::Yes) | B::Cancel) != B::Yes)
        return;
    run([&table] { table.Delete(); });
}

void TMainform::BuchLoeschenClick() {
    deleteCurrent(ClientBuecher(),
                  QStringLiteral("Sind Sie sicher, dass Sie das aktuell markierte Buch löschen möchten?"));
}

void TMainform::NeuerLeserClick() {
    run([this] {
        ClientLeser().Insert();
        m_LeserEingebenF->exec();
    });
}

void TMainform::LeserBearbeitenClick() {
    if (ClientLeser().RecordCount() > 0)
        run([this] { m_LeserEingebenF->exec(); });
}

void TMainform::LeserLoeschenClick() {
    deleteCurrent(ClientLeser(),
                  QStringLiteral("Sind Sie sicher, dass Sie den aktuell markierten Leser löschen möchten?"));
}

void TMainform::BuecherlistenClick() {
    run([this] {
        bool narrow = false;
        {
            const auto quiet = m_library.tableControlsDisabled();
            m_DruckerDialogF->setNarrowButtonVisible(true);
            m_DruckerDialogF->exec();
            narrow = m_DruckerDialogF->takeNarrowRequest();
        }
        if (narrow)
            m_AuswertenF->exec();
    });
}

QString TMainform::overdueFilter() const {
    return OverdueLoans::filterText(Clock::today());
}

void TMainform::setPageFromProgram(int index) {
    m_settingPage = true;
    m_pages->setCurrentIndex(index);
    m_settingPage = false;
}

void TMainform::GesamtlisteDruckenClick() {
    run([this] {
        setPageFromProgram(2);
        ClientAusleihe().setFiltered(false);
        m_DruckerDialogAusleihlisteF->exec();
    });
}

void TMainform::UeberfaelligeDruckenClick() {
    run([this] {
        setPageFromProgram(3);
        ClientAusleihe().setFilter(overdueFilter());
        ClientAusleihe().setFiltered(true);
        m_DruckerDialogAusleihlisteF->exec();
    });
}

void TMainform::StatistikClick() {
    run([this] {
        if (!m_StatistikF)
            m_StatistikF = new TStatistikF(m_library, this);
        m_StatistikF->exec();
    });
}

void TMainform::PageControl1Change(int index) {
    run([this, index] {
        Table& loans = ClientAusleihe();
        if (index == 3) {
            loans.setFilter(overdueFilter());
            loans.setFiltered(true);
        } else {
            loans.setFiltered(false);
        }
    });
}

void TMainform::HilfeClick() {
    DesktopOpener::openManual(this);
}

void TMainform::releaseBookOfDeletedLoan() {
    run([this] { LoanRelease::releaseBookOfDeletedLoan(ClientAusleihe(), ClientBuecher()); });
}

} // namespace lesaro
