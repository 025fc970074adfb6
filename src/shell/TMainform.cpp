#include "TMainform.h"

#include "Clock.h"
#include "DataGrid.h"
#include "EngineError.h"
#include "FieldCaptions.h"
#include "GermanLocale.h"
#include "GradientPanel.h"
#include "HelpService.h"
#include "INI.h"
#include "MessageService.h"
#include "SettingsStore.h"
#include "TInfoF.h"
#include "TNetzwerkF.h"
#include "TUmfrageF.h"
#include "TableModel.h"
#include "WebPage.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace lesaro {

namespace {

const QColor kGrey(233, 233, 233);
const QColor kNavy(0, 0, 128);

// The header's 16 × 16 pictures, drawn here so that the program carries no image files.
QIcon glyph(int kind) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 1.5));
    switch (kind) {
    case 0: // lend: a book with an arrow out
        p.setBrush(QColor(255, 200, 60));
        p.drawRect(QRectF(1.5, 3.5, 7, 10));
        p.drawLine(QPointF(9, 8.5), QPointF(15, 8.5));
        p.drawLine(QPointF(12, 5.5), QPointF(15, 8.5));
        p.drawLine(QPointF(12, 11.5), QPointF(15, 8.5));
        break;
    case 1: // return: an arrow in
        p.setBrush(QColor(120, 210, 120));
        p.drawRect(QRectF(7.5, 3.5, 7, 10));
        p.drawLine(QPointF(1, 8.5), QPointF(7, 8.5));
        p.drawLine(QPointF(4, 5.5), QPointF(7, 8.5));
        p.drawLine(QPointF(4, 11.5), QPointF(7, 8.5));
        break;
    case 2: // new book
        p.setBrush(QColor(90, 150, 255));
        p.drawRect(QRectF(2.5, 1.5, 9, 13));
        p.drawLine(QPointF(11, 12), QPointF(15, 12));
        p.drawLine(QPointF(13, 10), QPointF(13, 14));
        break;
    case 3: // new reader
        p.setBrush(QColor(255, 170, 120));
        p.drawEllipse(QRectF(4.5, 1.5, 6, 6));
        p.drawChord(QRectF(2.5, 8.5, 10, 10), 0, 180 * 16);
        break;
    case 4: // search
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
        p.setPen(QPen(Qt::white, 2.5));
        p.drawLine(QPointF(9.5, 9.5), QPointF(14.5, 14.5));
        break;
    case 5: // lists
        for (int y = 3; y <= 13; y += 5)
            p.drawLine(QPointF(2, y), QPointF(14, y));
        break;
    default: { // help
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(14);
        p.setFont(f);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    }
    return QIcon(pm);
}

GridColumn column(const char* field, const QString& title, int width) {
    return {QString::fromLatin1(field), title, width};
}

} // namespace

TMainform::TMainform(QWidget* parent)
    : QMainWindow(parent)
    , m_dataBuecher(new DataSource(m_data.ClientBuecher, this))
    , m_dataLeser(new DataSource(m_data.ClientLeser, this))
    , m_dataAusleihe(new DataSource(m_data.ClientAusleihe, this)) {
    setObjectName(QStringLiteral("Mainform"));
    setWindowTitle(QStringLiteral("Tomarelle 2022 by Orvendel Software"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kGrey);
    setPalette(pal);
    showMessage = [this](const QString& text) { MessageService::error(this, text); };
    // A fresh installation's captions are written just before, so the lists take them before storing.
    m_data.storeColumnWidths = [this] {
        ApplyFieldCaptions();
        StoreColumnWidths();
    };

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildHeader();
    layout->addWidget(m_header);
    buildGrids();
    layout->addWidget(m_pages, 1);
    setCentralWidget(central);
    m_info = new TInfoF(this);
    m_netzwerk = new TNetzwerkF(this);
    m_umfrage = new TUmfrageF(this);
    buildMenu();
    resize(778, 488 + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TMainform::~TMainform() {
    // The lists go before the tables they show.
    delete m_pages;
    m_pages = nullptr;
}

void TMainform::buildHeader() {
    m_header = new GradientPanel(Qt::white, kNavy, this);
    m_header->setObjectName(QStringLiteral("GradientPanel1"));
    m_header->setFixedHeight(72);
    auto* row = new QHBoxLayout(m_header);
    row->setContentsMargins(8, 18, 8, 18);
    row->setSpacing(4);
    struct Button {
        const char* name;
        const char* caption;
        void (TMainform::*slot)();
    };
    const Button buttons[] = {
        {"SBAusleihe", "Ausleihe", nullptr},
        {"SBRueckgabe", "Rückgabe", nullptr},
        {"SBNeuesBuch", "Neues Buch", &TMainform::NeuesBuchClick},
        {"SBNeuerLeser", "Neuer Leser", &TMainform::NeuerLeserClick},
        {"SBAuswerten", "Auswerten/Suchen", nullptr},
        {"SBBuecherlisten", "Bücherlisten", &TMainform::BuecherlistenClick},
        {"SBHilfe", "Hilfe", &TMainform::HilfeClick},
    };
    int kind = 0;
    for (const Button& b : buttons) {
        auto* button = new QToolButton(m_header);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setText(QString::fromUtf8(b.caption));
        button->setIcon(glyph(kind++));
        button->setIconSize(QSize(16, 16));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setFixedHeight(36);
        button->setFocusPolicy(Qt::NoFocus);
        button->setStyleSheet(QStringLiteral("QToolButton { color: white; font-family: Arial; font-size: 12px; "
                                             "border: none; padding: 0 6px; }"
                                             "QToolButton:hover { background: rgba(255,255,255,40); }"));
        const QString name = button->objectName();
        connect(button, &QToolButton::clicked, this, [this, name, slot = b.slot] {
            if (slot)
                return (this->*slot)();
            if (name == QLatin1String("SBAusleihe"))
                run(showLoanBooking);
            else if (name == QLatin1String("SBRueckgabe"))
                run(showReturn);
            else if (name == QLatin1String("SBAuswerten"))
                run(showSearch);
        });
        row->addWidget(button);
    }
    row->addStretch(1);
}

void TMainform::buildGrids() {
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));

    const QStringList captions = FieldCaptions::BookColumnCaptions();
    const QStringList fields = FieldCaptions::bookColumnFields();
    const int bookWidths[] = {29, 75, 66, 55, 30, 43, 32, 45, 26, 33, 28, 29, 38};
    QList<GridColumn> books;
    for (int i = 0; i < fields.size(); ++i)
        books << GridColumn{fields[i], captions[i], i < 13 ? bookWidths[i] : 50};

    QList<GridColumn> readers{column("Nummer", QStringLiteral("Nummer"), 0),
                              column("Vorname", QStringLiteral("Vorname"), 100),
                              column("Nachname", QStringLiteral("Nachname"), 100),
                              column("Strae", QStringLiteral("Straße"), 100),
                              column("PLZ", QStringLiteral("PLZ"), 50),
                              column("Ort", QStringLiteral("Ort"), 100),
                              column("Telefon", QStringLiteral("Telefon"), 100),
                              column("eMail", QStringLiteral("eMail"), 100),
                              column("Sonstiges1", QStringLiteral("Sonstiges1"), 100),
                              column("Bemerkung", QStringLiteral("Bemerkung"), 100)};

    QList<GridColumn> loans{column("BuchNummer", QStringLiteral("Buch-Nr."), 50),
                            column("BuchVerfasser", QStringLiteral("Verfasser"), 100),
                            column("BuchTitel", QStringLiteral("Titel"), 100),
                            column("LeserNummer", QStringLiteral("Leser-Nr."), 50),
                            column("LeserVorname", QStringLiteral("Vorname"), 100),
                            column("LeserNachname", QStringLiteral("Nachname"), 100),
                            column("DatumVon", QStringLiteral("Datum (Von)"), 0),
                            column("DatumBis", QStringLiteral("Datum (Bis)"), 0),
                            column("DatumBisSoll", QStringLiteral("Soll-Rückgabe"), 0)};
    QList<GridColumn> overdue = loans;
    overdue.removeAt(7);

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
    } grids[] = {{"DBGrid1", "Bücher", m_dataBuecher, &books},
                 {"DBGrid2", "Leser", m_dataLeser, &readers},
                 {"DBGrid3", "Ausleihliste", m_dataAusleihe, &loans},
                 {"DBGrid4", "Überfällige Bücher", m_dataAusleihe, &overdue}};
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
    auto opens = [this](std::function<void()>* hook) { return [this, hook] { run(*hook); }; };

    QMenu* programm = bar->addMenu(QStringLiteral("Programm"));
    addCommand(programm, QStringLiteral("Datenbanksichern1"), QStringLiteral("Datenbank sichern/zurücklesen"),
               opens(&showBackup));
    programm->addSeparator();
    addCommand(programm, QStringLiteral("Beenden1"), QStringLiteral("Beenden"), &TMainform::Beenden1Click);

    QMenu* ausleihe = bar->addMenu(QStringLiteral("Ausleihe"));
    addCommand(ausleihe, QStringLiteral("Ausleihen1"), QStringLiteral("Ausleihen"), opens(&showLoanBooking))
        ->setShortcut(Qt::Key_F3);
    addCommand(ausleihe, QStringLiteral("Rueckgabe1"), QStringLiteral("Rückgabe"), opens(&showReturn))
        ->setShortcut(Qt::Key_F4);
    ausleihe->addSeparator();
    addCommand(ausleihe, QStringLiteral("Gesamtlistedrucken1"), QStringLiteral("Gesamtliste drucken"),
               &TMainform::GesamtlisteDruckenClick);
    addCommand(ausleihe, QStringLiteral("UeberfaelligeBuecherdrucken1"),
               QStringLiteral("\"Überfällige Bücher\" drucken"), &TMainform::UeberfaelligeDruckenClick);

    QMenu* leser = bar->addMenu(QStringLiteral("Leser"));
    addCommand(leser, QStringLiteral("LeserNeu1"), QStringLiteral("Neu"), &TMainform::NeuerLeserClick);
    addCommand(leser, QStringLiteral("LeserBearbeiten1"), QStringLiteral("Bearbeiten"),
               &TMainform::LeserBearbeitenClick);
    addCommand(leser, QStringLiteral("LeserLoeschen1"), QStringLiteral("Löschen"), &TMainform::LeserLoeschenClick);
    addCommand(leser, QStringLiteral("LeserDrucken1"), QStringLiteral("Drucken"), opens(&showReaderPrint));
    leser->addSeparator();
    addCommand(leser, QStringLiteral("LeserImportieren1"), QStringLiteral("Daten importieren"),
               opens(&showReaderImport));
    addCommand(leser, QStringLiteral("LeserExportieren1"), QStringLiteral("Daten exportieren"),
               opens(&showReaderExport));

    QMenu* buecher = bar->addMenu(QStringLiteral("Bücher"));
    addCommand(buecher, QStringLiteral("BuchNeu1"), QStringLiteral("Neu"), &TMainform::NeuesBuchClick)
        ->setStatusTip(QStringLiteral("Neues Buch anlegen"));
    addCommand(buecher, QStringLiteral("BuchBearbeiten1"), QStringLiteral("Bearbeiten"),
               &TMainform::BuchBearbeitenClick)
        ->setStatusTip(QStringLiteral("Bücher bearbeiten"));
    addCommand(buecher, QStringLiteral("Auswerten1"), QStringLiteral("Auswerten / Suchen"), opens(&showSearch))
        ->setStatusTip(QStringLiteral("Bücher auswerten / suchen"));
    addCommand(buecher, QStringLiteral("BuchDrucken1"), QStringLiteral("Drucken"), &TMainform::BuecherlistenClick)
        ->setStatusTip(QStringLiteral("Bücherlisten drucken"));
    buecher->addSeparator();
    addCommand(buecher, QStringLiteral("BuchLoeschen1"), QStringLiteral("Löschen"), &TMainform::BuchLoeschenClick);
    buecher->addSeparator();
    addCommand(buecher, QStringLiteral("BuchImportieren1"), QStringLiteral("Daten importieren"),
               opens(&showBookImport));
    addCommand(buecher, QStringLiteral("BuchExportieren1"), QStringLiteral("Daten exportieren"),
               opens(&showBookExport));

    QMenu* optionen = bar->addMenu(QStringLiteral("Optionen"));
    addCommand(optionen, QStringLiteral("Feldnamen1"), QStringLiteral("Feldnamen"), opens(&showOptions));
    addCommand(optionen, QStringLiteral("StandardVerleihdauer1"), QStringLiteral("Standard-Verleihdauer"),
               opens(&showOptions));
    addCommand(optionen, QStringLiteral("DatenausBoxenloeschen1"), QStringLiteral("Daten aus Boxen löschen"),
               opens(&showListCleanup));

    QMenu* hilfe = bar->addMenu(QStringLiteral("Hilfe"));
    hilfe->setObjectName(QStringLiteral("Hilfe1"));
    addCommand(hilfe, QStringLiteral("Hilfeaufrufen1"), QStringLiteral("Hilfe aufrufen"), &TMainform::HilfeClick)
        ->setShortcut(Qt::Key_F1);
    addCommand(hilfe, QStringLiteral("Netzwerk1"), QStringLiteral("Netzwerk- und Mehrbenutzerbetrieb"), [this] {
        m_netzwerk->setDataFolder(m_data.DataFolder());
        m_netzwerk->exec();
    });
    addCommand(hilfe, QStringLiteral("Internet1"), QStringLiteral("Orvendel Software im Internet"),
               [this] { WebPage::openMakerPage(this); });
    hilfe->addSeparator();
    addCommand(hilfe, QStringLiteral("Umfrage1"), QStringLiteral("UMFRAGE zur Verbesserung des Programmes"),
               [this] { m_umfrage->exec(); });
    addCommand(hilfe, QStringLiteral("Info1"), QStringLiteral("Info"), [this] { m_info->exec(); });
    m_helpMenu = hilfe;
}

void TMainform::run(const std::function<void()>& command) {
    if (!command)
        return;
    try {
        command();
    } catch (const EngineError& e) {
        showMessage(e.message());
    }
}

// ---------------------------------------------------------------------------------------------------
// Start and end of the run

void TMainform::FormCreate(const QString& baseFolder, const QString& programFolder) {
    m_data.FormCreate(baseFolder, programFolder);
    if (!programFolder.isEmpty())
        HelpService::setProgramFolder(programFolder);
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
        m_data.loadAtStart();
        ApplyFieldCaptions();
        ApplyColumnWidths();
        m_data.applySortOrders();
        m_startupDone = true;
    } catch (const EngineError& e) {
        QString text = e.message();
        if (!m_data.startupProblem().isEmpty())
            text += QStringLiteral("\n\n") + m_data.startupProblem();
        showMessage(text);
    }
    const QString notice = SettingsStore::instance().takeNotice();
    if (!notice.isEmpty())
        showMessage(notice);
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
    try {
        m_data.saveTables();
    } catch (const EngineError& e) {
        showMessage(e.message());
    }
    if (m_startupDone)
        m_data.storeSortOrders();
    storeWindowSize();
    if (m_startupDone)
        StoreColumnWidths();
    INI::FlushSettings();
}

void TMainform::closeEvent(QCloseEvent* event) {
    if (!m_closing) {
        m_closing = true;
        // A row still being typed is kept, as leaving it in a list would keep it.
        for (Table* t : {&m_data.ClientBuecher, &m_data.ClientLeser, &m_data.ClientAusleihe})
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
    TableModel* model = m_grids[0]->tableModel();
    for (int i = 0; i < captions.size() && i < model->columnCount(); ++i)
        model->setColumnTitle(i, captions[i]);
    if (m_widthLists.count(QLatin1Char('B'))) {
        TableModel* search = m_widthLists[QLatin1Char('B')]->tableModel();
        for (int i = 0; i < captions.size() && i < search->columnCount(); ++i)
            search->setColumnTitle(i, captions[i]);
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

void TMainform::DisableTableControls() {
    m_dataLeser->DisableControls();
    m_dataAusleihe->DisableControls();
    m_dataBuecher->DisableControls();
}

void TMainform::EnableTableControls() {
    m_dataLeser->EnableControls();
    m_dataBuecher->EnableControls();
    m_dataAusleihe->EnableControls();
}

// ---------------------------------------------------------------------------------------------------
// Commands

void TMainform::NeuesBuchClick() {
    if (!showBookEntry)
        return;
    run([this] {
        DisableTableControls();
        try {
            if (loadRememberedValues)
                loadRememberedValues();
        } catch (...) {
            EnableTableControls();
            throw;
        }
        EnableTableControls();
        ClientBuecher().Insert();
        showBookEntry();
    });
}

void TMainform::BuchBearbeitenClick() {
    if (!showBookEntry || ClientBuecher().RecordCount() == 0)
        return;
    run([this] {
        const int recNo = ClientBuecher().RecNo();
        DisableTableControls();
        try {
            if (loadRememberedValues)
                loadRememberedValues();
        } catch (...) {
            EnableTableControls();
            throw;
        }
        EnableTableControls();
        ClientBuecher().MoveTo(recNo);
        showBookEntry();
    });
}

void TMainform::BuchBearbeitenDirektClick() {
    if (showBookEntry && ClientBuecher().RecordCount() > 0)
        run(showBookEntry);
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
    if (!showReaderEntry)
        return;
    run([this] {
        ClientLeser().Insert();
        showReaderEntry();
    });
}

void TMainform::LeserBearbeitenClick() {
    if (showReaderEntry && ClientLeser().RecordCount() > 0)
        run(showReaderEntry);
}

void TMainform::LeserLoeschenClick() {
    deleteCurrent(ClientLeser(),
                  QStringLiteral("Sind Sie sicher, dass Sie den aktuell markierten Leser löschen möchten?"));
}

void TMainform::BuecherlistenClick() {
    if (!showBookPrint)
        return;
    DisableTableControls();
    bool narrow = false;
    try {
        narrow = showBookPrint();
    } catch (const EngineError& e) {
        EnableTableControls();
        showMessage(e.message());
        return;
    }
    EnableTableControls();
    if (narrow)
        run(showSearch);
}

QString TMainform::overdueFilter() const {
    return QStringLiteral("DatumBisSoll < '") + GermanLocale::formatDate(Clock::today()) + QLatin1Char('\'');
}

void TMainform::setPageFromProgram(int index) {
    m_settingPage = true;
    m_pages->setCurrentIndex(index);
    m_settingPage = false;
}

void TMainform::GesamtlisteDruckenClick() {
    setPageFromProgram(2);
    ClientAusleihe().setFiltered(false);
    run(showLoanPrint);
}

void TMainform::UeberfaelligeDruckenClick() {
    setPageFromProgram(3);
    ClientAusleihe().setFilter(overdueFilter());
    ClientAusleihe().setFiltered(true);
    run(showLoanPrint);
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
    HelpService::openManual(this);
}

void TMainform::releaseBookOfDeletedLoan() {
    run([this] {
        Table& loans = ClientAusleihe();
        if (loans.RecordCount() == 0 || !loans.FieldByName(QStringLiteral("DatumBis")).IsNull())
            return;
        const QVariant book = loans.FieldByName(QStringLiteral("BuecherID")).AsVariant();
        if (!book.isValid())
            return;
        // The book may be filtered out of the book list at the moment: look for it among all books.
        Table& books = ClientBuecher();
        const bool filtered = books.Filtered();
        books.setFiltered(false);
        if (books.Locate(QStringLiteral("ID"), {book})) {
            books.Edit();
            books.FieldByName(QStringLiteral("ausgeliehen")).setAsBoolean(false);
            books.Post();
        }
        books.setFiltered(filtered);
    });
}

} // namespace lesaro
