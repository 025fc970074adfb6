#include "statistics/TStatistikF.h"

#include "core/AtomicFile.h"
#include "core/Clock.h"
#include "core/GermanLocale.h"
#include "printing/PrinterChoice.h"
#include "printing/TPrintJob.h"
#include "statistics/StatisticsCharts.h"
#include "statistics/StatisticsModel.h"
#include "statistics/StatisticsPrint.h"
#include "ui/DatePicker.h"
#include "ui/FileDialogService.h"
#include "ui/FlatButton.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSvgGenerator>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <iterator>
#include <memory>

namespace lesaro {

using namespace statistics;

namespace {

// The size a chart is laid out at for its files; the PNG is drawn at twice that for a sharp print.
const QSizeF kChartFileSize(1000, 560);

QList<int> countColumns(const QStringList& headers) {
    QList<int> right;
    for (int c = 0; c < headers.size(); ++c) {
        const QString& h = headers[c];
        if (h == QLatin1String("Ausleihen") || h == QLatin1String("Wert") || h == QLatin1String("Vorjahr") ||
            h == QLatin1String("Nummer") || h.startsWith(QLatin1String("Neue")) || h.startsWith(QLatin1String("Leser")))
            right.append(c);
    }
    return right;
}

QString pageTitle(TStatistikF::Page page) {
    switch (page) {
    case TStatistikF::Monate:
        return QStringLiteral("Ausleihen je Monat");
    case TStatistikF::Sachgruppen:
        return QStringLiteral("Sachgruppen");
    case TStatistikF::Buecher:
        return QStringLiteral("Meistgelesene Bücher");
    case TStatistikF::Leser:
        return QStringLiteral("Leser");
    case TStatistikF::Bestand:
        return QStringLiteral("Bestand");
    case TStatistikF::Aussonderung:
        return QStringLiteral("Aussonderung");
    }
    return {};
}

QTableView* makeGrid(StatisticsModel* model, const QString& name) {
    auto* grid = new QTableView;
    grid->setObjectName(name);
    grid->setModel(model);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setWordWrap(false);
    return grid;
}

QChartView* makeView(const QString& name) {
    auto* view = new QChartView;
    view->setObjectName(name);
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

} // namespace

TStatistikF::TStatistikF(LibraryHandle& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("TStatistikF"));
    setWindowTitle(QStringLiteral("Statistik"));
    build();
}

TStatistikF::~TStatistikF() = default;

void TStatistikF::build() {
    auto* layout = new QVBoxLayout(contentArea());

    auto* periodRow = new QHBoxLayout;
    m_zeitraum = new QComboBox;
    m_zeitraum->setObjectName(QStringLiteral("CBZeitraum"));
    m_zeitraum->addItems({QStringLiteral("Kalenderjahr"), QStringLiteral("Schuljahr (1. August bis 31. Juli)"),
                          QStringLiteral("Letzte 12 Monate"), QStringLiteral("Eigener Zeitraum")});
    m_von = new DatePicker;
    m_von->setObjectName(QStringLiteral("DTPVon"));
    m_bis = new DatePicker;
    m_bis->setObjectName(QStringLiteral("DTPBis"));
    periodRow->addWidget(new QLabel(QStringLiteral("Zeitraum:")));
    periodRow->addWidget(m_zeitraum);
    periodRow->addSpacing(12);
    periodRow->addWidget(new QLabel(QStringLiteral("Von:")));
    periodRow->addWidget(m_von);
    periodRow->addWidget(new QLabel(QStringLiteral("Bis:")));
    periodRow->addWidget(m_bis);
    periodRow->addStretch();
    layout->addLayout(periodRow);

    m_hinweis = new QLabel;
    m_hinweis->setObjectName(QStringLiteral("LHinweis"));
    m_hinweis->setWordWrap(true);
    layout->addWidget(m_hinweis);

    m_pages = new QTabWidget;
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(m_pages, 1);

    m_monthView = makeView(QStringLiteral("ChartMonate"));
    m_groupView = makeView(QStringLiteral("ChartSachgruppen"));
    m_readerView = makeView(QStringLiteral("ChartLeser"));
    m_bookModel = new StatisticsModel(this);
    m_readerModel = new StatisticsModel(this);
    m_stockModel = new StatisticsModel(this);
    m_weedingModel = new StatisticsModel(this);
    m_bookGrid = makeGrid(m_bookModel, QStringLiteral("GridBuecher"));
    m_readerGrid = makeGrid(m_readerModel, QStringLiteral("GridLeser"));
    m_stockGrid = makeGrid(m_stockModel, QStringLiteral("GridBestand"));
    m_weedingGrid = makeGrid(m_weedingModel, QStringLiteral("GridAussonderung"));

    m_pages->addTab(m_monthView, pageTitle(Monate));
    m_pages->addTab(m_groupView, pageTitle(Sachgruppen));
    m_pages->addTab(m_bookGrid, pageTitle(Buecher));
    auto* readerPage = new QWidget;
    auto* readerLayout = new QHBoxLayout(readerPage);
    readerLayout->addWidget(m_readerView, 3);
    readerLayout->addWidget(m_readerGrid, 1);
    m_pages->addTab(readerPage, pageTitle(Leser));
    m_pages->addTab(m_stockGrid, pageTitle(Bestand));

    auto* weedingPage = new QWidget;
    auto* weedingLayout = new QVBoxLayout(weedingPage);
    auto* weedingRow = new QHBoxLayout;
    m_seit = new DatePicker;
    m_seit->setObjectName(QStringLiteral("DTPSeit"));
    m_sortierung = new QComboBox;
    m_sortierung->setObjectName(QStringLiteral("CBSortierung"));
    m_sortierung->addItems({QStringLiteral("Signatur"), QStringLiteral("Standort")});
    m_weedingCount = new QLabel;
    m_weedingCount->setObjectName(QStringLiteral("LAnzahl"));
    weedingRow->addWidget(new QLabel(QStringLiteral("Nicht ausgeliehen seit:")));
    weedingRow->addWidget(m_seit);
    weedingRow->addSpacing(12);
    weedingRow->addWidget(new QLabel(QStringLiteral("Sortiert nach:")));
    weedingRow->addWidget(m_sortierung);
    weedingRow->addSpacing(12);
    weedingRow->addWidget(m_weedingCount, 1);
    weedingLayout->addLayout(weedingRow);
    weedingLayout->addWidget(m_weedingGrid, 1);
    m_pages->addTab(weedingPage, pageTitle(Aussonderung));

    connect(addBarButton(QStringLiteral("BExportieren"), QStringLiteral("Exportieren…")), &QPushButton::clicked, this,
            [this] { run([this] { BExportierenClick(); }); });
    FlatButton* drucken = addBarButton(QStringLiteral("BDrucken"), QStringLiteral("Liste drucken…"));
    m_drucken = drucken;
    connect(drucken, &QPushButton::clicked, this, [this] { run([this] { BDruckenClick(); }); });
    connect(addBarButton(QStringLiteral("BJahresbericht"), QStringLiteral("Jahresbericht…")), &QPushButton::clicked,
            this, [this] { run([this] { BJahresberichtClick(); }); });
    connect(addBarButton(QStringLiteral("BSchliessen"), QStringLiteral("Schließen")), &QPushButton::clicked, this,
            &QDialog::reject);

    connect(m_zeitraum, &QComboBox::currentIndexChanged, this, [this] { CBZeitraumChange(); });
    // Dates of the user's own make the period the user's own.
    auto ownDates = [this] {
        if (m_filling)
            return;
        m_filling = true;
        m_zeitraum->setCurrentIndex(3);
        m_filling = false;
        Berechnen();
    };
    connect(m_von, &QDateEdit::dateChanged, this, ownDates);
    connect(m_bis, &QDateEdit::dateChanged, this, ownDates);
    connect(m_seit, &QDateEdit::dateChanged, this, [this] {
        if (!m_filling)
            WeedingChange();
    });
    connect(m_sortierung, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_filling)
            sortWeeding();
    });
    // Only the weeding list is printed as a list; the other pages go into the yearly report.
    connect(m_pages, &QTabWidget::currentChanged, this,
            [this](int page) { m_drucken->setEnabled(page == Aussonderung); });
    setClientSize(960, 640);
}

void TStatistikF::FormShow() {
    const QDate today = Clock::today();
    m_filling = true;
    m_zeitraum->setCurrentIndex(0);
    const StatisticsPeriod year = StatisticsPeriod::calendarYear(today);
    m_von->setDate(year.from);
    m_bis->setDate(year.to);
    m_seit->setDate(today.addYears(-5));
    m_sortierung->setCurrentIndex(0);
    m_filling = false;
    m_pages->setCurrentIndex(Monate);
    m_drucken->setEnabled(false);
    Berechnen();
}

void TStatistikF::CBZeitraumChange() {
    if (m_filling)
        return;
    const QDate today = Clock::today();
    StatisticsPeriod p;
    switch (m_zeitraum->currentIndex()) {
    case 0:
        p = StatisticsPeriod::calendarYear(today);
        break;
    case 1:
        p = StatisticsPeriod::schoolYear(today);
        break;
    case 2:
        p = StatisticsPeriod::lastTwelveMonths(today);
        break;
    default:
        return; // the user's own dates stay
    }
    m_filling = true;
    m_von->setDate(p.from);
    m_bis->setDate(p.to);
    m_filling = false;
    Berechnen();
}

void TStatistikF::Berechnen() {
    const StatisticsPeriod period{m_von->date(), m_bis->date()};
    const QString problem = period.problem();
    m_figures = LoanStatistics::compute(m_library.ClientBuecher(), m_library.ClientLeser(), m_library.ClientAusleihe(),
                                        period, m_seit->date(), Clock::today());
    m_valid = problem.isEmpty();
    showFigures();
    if (!m_valid) {
        m_hinweis->setText(problem);
        MessageService::warning(this, problem);
    }
}

void TStatistikF::WeedingChange() {
    Berechnen();
}

void TStatistikF::showFigures() {
    const StatisticsFigures& f = m_figures;
    QStringList notes;
    if (m_valid && f.loans == 0)
        notes << StatisticsTables::emptyPeriodText();
    else if (m_valid)
        notes << QStringLiteral("%1 Ausleihen im Zeitraum, %2 im Vorjahreszeitraum, %3 Leser mit Ausleihen.")
                     .arg(StatisticsTables::number(f.loans), StatisticsTables::number(f.loansYearBefore),
                          StatisticsTables::number(f.activeReaders));
    const QString undated = StatisticsTables::undatedNotice(f);
    if (!undated.isEmpty())
        notes << undated;
    m_hinweis->setText(notes.join(QLatin1Char(' ')));

    auto replace = [](QChartView* view, QChart* chart) {
        QChart* old = view->chart();
        view->setChart(chart);
        delete old;
    };
    replace(m_monthView, StatisticsCharts::months(f));
    replace(m_groupView, StatisticsCharts::groups(f));
    replace(m_readerView, StatisticsCharts::readers(f));
    fillModel(m_bookModel, table(Buecher));
    fillModel(m_readerModel, table(Leser));
    fillModel(m_stockModel, table(Bestand));
    m_bookGrid->resizeColumnsToContents();
    m_readerGrid->resizeColumnsToContents();
    m_stockGrid->resizeColumnsToContents();
    m_weeding = f.weeding;
    sortWeeding();
}

void TStatistikF::sortWeeding() {
    LoanStatistics::sortWeeding(m_weeding,
                                m_sortierung->currentIndex() == 1 ? WeedingOrder::Standort : WeedingOrder::Signatur);
    // The weeding list can hold most of the catalogue: its cells are made only for the rows on screen.
    const QStringList headers = StatisticsTables::weedingHeaders();
    m_weedingModel->setTable(
        headers, int(m_weeding.size()),
        [this](int r, int c) { return StatisticsTables::weedingRow(m_weeding.at(r)).value(c); }, countColumns(headers));
    static const int widths[] = {80, 80, 60, 170, 240, 100, 120, 70};
    for (int c = 0; c < int(std::size(widths)); ++c)
        m_weedingGrid->setColumnWidth(c, widths[c]);
    m_weedingCount->setText(
        QStringLiteral("%1 Bücher auf der Liste (nie oder zuletzt vor dem %2 ausgeliehen, "
                       "zurzeit nicht verliehen)")
            .arg(StatisticsTables::number(m_weeding.size()), GermanLocale::formatDate(m_seit->date())));
}

void TStatistikF::fillModel(StatisticsModel* model, const StatisticsTable& t) {
    auto rows = std::make_shared<const QList<QStringList>>(t.rows);
    model->setTable(
        t.headers, int(t.rows.size()), [rows](int r, int c) { return rows->at(r).value(c); }, countColumns(t.headers));
}

QChartView* TStatistikF::chartView(Page page) const {
    switch (page) {
    case Monate:
        return m_monthView;
    case Sachgruppen:
        return m_groupView;
    case Leser:
        return m_readerView;
    default:
        return nullptr;
    }
}

StatisticsTable TStatistikF::table(Page page) const {
    const StatisticsFigures& f = m_figures;
    switch (page) {
    case Monate:
        return StatisticsTables::months(f);
    case Sachgruppen:
        return StatisticsTables::groups(f);
    case Buecher:
        return StatisticsTables::topBooks(f);
    case Leser:
        return StatisticsTables::readers(f);
    case Bestand: {
        StatisticsTable t = StatisticsTables::keyFigures(f);
        for (const QStringList& row : StatisticsTables::newBooks(f).rows)
            t.rows.append({QStringLiteral("Neue Bücher ") + row[0], row[1]});
        return t;
    }
    case Aussonderung:
        return StatisticsTables::weeding(m_weeding);
    }
    return {};
}

void TStatistikF::BExportierenClick() {
    const Page page = Page(m_pages->currentIndex());
    bool chart = chartView(page) != nullptr;
    if (page == Leser) {
        const int choice = MessageService::choose(
            this, MessageService::Kind::Confirmation, QStringLiteral("Was möchten Sie exportieren?"),
            {QStringLiteral("Diagramm"), QStringLiteral("Tabelle"), QStringLiteral("Abbrechen")}, 2);
        if (choice == 2)
            return;
        chart = choice == 0;
    }
    const QString base = QStringLiteral("Statistik ") + pageTitle(page);
    if (chart) {
        const QString path = FileDialogService::saveFileName(
            this, QStringLiteral("Diagramm exportieren"), base + QStringLiteral(".png"),
            QStringLiteral("PNG-Bilder (*.png);;SVG-Grafiken (*.svg);;PDF-Dateien (*.pdf)"));
        if (!path.isEmpty())
            exportChart(page, path);
        return;
    }
    const int encoding = MessageService::choose(
        this, MessageService::Kind::Confirmation,
        QStringLiteral("In welchem Zeichensatz soll die CSV-Datei geschrieben werden?\n\n„Windows-1252“ lesen ältere "
                       "Tabellenkalkulationen, „UTF-8“ hält jedes Zeichen."),
        {QStringLiteral("Windows-1252"), QStringLiteral("UTF-8"), QStringLiteral("Abbrechen")}, 2);
    if (encoding == 2)
        return;
    const QString path =
        FileDialogService::saveFileName(this, QStringLiteral("Tabelle exportieren"), base + QStringLiteral(".csv"),
                                        QStringLiteral("CSV-Dateien (*.csv)"));
    if (!path.isEmpty())
        exportTable(page, path, encoding == 1);
}

bool TStatistikF::exportChart(Page page, const QString& path) {
    std::unique_ptr<QChart> chart(page == Monate        ? StatisticsCharts::months(m_figures)
                                  : page == Sachgruppen ? StatisticsCharts::groups(m_figures)
                                  : page == Leser       ? StatisticsCharts::readers(m_figures)
                                                        : nullptr);
    if (!chart)
        return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
        // A vector drawing that office programs and web pages take as it is.
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setTitle(pageTitle(page));
        svg.setSize(kChartFileSize.toSize());
        svg.setViewBox(QRectF(QPointF(0, 0), kChartFileSize));
        QPainter painter(&svg);
        StatisticsCharts::render(*chart, painter, QRectF(QPointF(0, 0), kChartFileSize), kChartFileSize);
        painter.end();
    } else if (suffix.compare(QLatin1String("pdf"), Qt::CaseInsensitive) == 0) {
        QPdfWriter pdf(&buffer);
        pdf.setTitle(pageTitle(page));
        pdf.setCreator(QStringLiteral("Lesaro"));
        pdf.setPageSize(
            QPageSize(QSizeF(kChartFileSize.width() / 4, kChartFileSize.height() / 4), QPageSize::Millimeter));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&pdf);
        StatisticsCharts::render(*chart, painter, QRectF(QPointF(0, 0), QSizeF(pdf.width(), pdf.height())),
                                 kChartFileSize);
        painter.end();
    } else {
        QImage image((kChartFileSize * 2).toSize(), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        StatisticsCharts::render(*chart, painter, QRectF(QPointF(0, 0), kChartFileSize * 2), kChartFileSize);
        painter.end();
        image.save(&buffer, "PNG");
    }
    writeFileAtomically(path, bytes);
    return true;
}

bool TStatistikF::exportTable(Page page, const QString& path, bool utf8) {
    writeFileAtomically(path, StatisticsTables::csv(table(page), utf8));
    return true;
}

bool TStatistikF::BJahresberichtClick() {
    if (!m_valid) {
        MessageService::warning(this, StatisticsPeriod{m_von->date(), m_bis->date()}.problem());
        return false;
    }
    TPrintJob job;
    job.setTitle(QStringLiteral("Jahresbericht"));
    job.setOrientation(TPageOrientation::orPortrait);
    job.setPageCount(StatisticsPrint::kReportPages);
    const StatisticsFigures figures = m_figures;
    job.OnDraw = [&figures](TPrintJob& j, QPainter& painter, int page, const QRect& rect, TDrawArea area, TDrawTarget) {
        if (area == TDrawArea::daPage)
            StatisticsPrint::drawReportPage(j, painter, page, rect, figures);
    };
    // The report always goes into a PDF file; the printer chosen for the lists stays current afterwards.
    const QString before = printing::PrinterChoice::currentName();
    printing::PrinterChoice::select(printing::PrinterChoice::PdfPrinterName);
    if (printing::PrinterChoice::current().outputFileName().isEmpty())
        printing::PrinterChoice::current().setOutputFileName(QStringLiteral("Jahresbericht.pdf"));
    struct Restore {
        QString name;
        ~Restore() { printing::PrinterChoice::select(name); }
    } restore{before};
    return job.Print(this);
}

bool TStatistikF::BDruckenClick() {
    TPrintJob job;
    job.setTitle(QStringLiteral("Aussonderungsliste"));
    job.setOrientation(TPageOrientation::orPortrait);
    const QList<WeedingEntry> list = m_weeding;
    const QString heading = QStringLiteral("Aussonderungsliste: nicht ausgeliehen seit %1, nach %2")
                                .arg(GermanLocale::formatDate(m_seit->date()), m_sortierung->currentText());
    job.OnDraw = [&](TPrintJob& j, QPainter& painter, int page, const QRect& rect, TDrawArea area, TDrawTarget) {
        if (area != TDrawArea::daPage)
            return;
        const int pages = StatisticsPrint::drawWeedingPage(j, painter, page, rect, list, heading);
        if (j.PageCount() != pages)
            j.setPageCount(pages);
    };
    // The page count is known once a page has been laid out at the printer's resolution.
    QImage probe(1, 1, QImage::Format_RGB32);
    {
        QPainter painter(&probe);
        job.setPageCount(1000);
        job.PaintTo(painter, 1);
    }
    return job.PrintDialog(this);
}

} // namespace lesaro
