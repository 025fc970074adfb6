#pragma once

#include "statistics/rules/LoanStatistics.h"
#include "statistics/rules/StatisticsTables.h"
#include "ui/LesaroDialog.h"

class QChartView;
class QComboBox;
class QLabel;
class QTabWidget;
class QTableView;

namespace lesaro {

class DatePicker;
class LibraryHandle;
class StatisticsModel;

// "Statistik": the library's figures for a period, on pages of charts and tables, with the weeding list for
// the walk along the shelves. Every figure comes from statistics/rules in one pass; readers appear as counts
// only, never by name, here, in the prints and in the files.
class TStatistikF : public LesaroDialog {
    Q_OBJECT
public:
    enum Page { Monate, Sachgruppen, Buecher, Leser, Bestand, Aussonderung };

    TStatistikF(LibraryHandle& library, QWidget* parent);
    ~TStatistikF() override;

    // Sets the period to the current calendar year and the weeding day five years back, then counts.
    void FormShow() override;

    // Counts afresh for the chosen period; a period that ends before it begins is refused with a message.
    void Berechnen();
    void CBZeitraumChange();
    void WeedingChange();

    // Writes the current page: a chart as PNG or PDF, a table as CSV (asking for the character set).
    void BExportierenClick();
    bool exportChart(Page page, const QString& path);
    bool exportTable(Page page, const QString& path, bool utf8);
    // The yearly report as a PDF file through the print job and the "PDF-Datei" printer.
    bool BJahresberichtClick();
    // The weeding list on a printer of the user's choice.
    bool BDruckenClick();

    const statistics::StatisticsFigures& figures() const { return m_figures; }
    const QList<statistics::WeedingEntry>& weeding() const { return m_weeding; }
    QTabWidget* PageControl1() const { return m_pages; }
    DatePicker* DTPVon() const { return m_von; }
    DatePicker* DTPBis() const { return m_bis; }
    DatePicker* DTPSeit() const { return m_seit; }
    QComboBox* CBZeitraum() const { return m_zeitraum; }
    QComboBox* CBSortierung() const { return m_sortierung; }
    QLabel* LHinweis() const { return m_hinweis; }
    QChartView* chartView(Page page) const;
    statistics::StatisticsTable table(Page page) const;

private:
    void build();
    void showFigures();
    void fillModel(StatisticsModel* model, const statistics::StatisticsTable& table);
    void sortWeeding();

    LibraryHandle& m_library;
    statistics::StatisticsFigures m_figures;
    QList<statistics::WeedingEntry> m_weeding;
    bool m_valid = false;
    bool m_filling = false;

    DatePicker* m_von;
    DatePicker* m_bis;
    QComboBox* m_zeitraum;
    QLabel* m_hinweis;
    QTabWidget* m_pages;
    QChartView* m_monthView;
    QChartView* m_groupView;
    QChartView* m_readerView;
    QTableView* m_bookGrid;
    QTableView* m_readerGrid;
    QTableView* m_stockGrid;
    QTableView* m_weedingGrid;
    StatisticsModel* m_bookModel;
    StatisticsModel* m_readerModel;
    StatisticsModel* m_stockModel;
    StatisticsModel* m_weedingModel;
    DatePicker* m_seit;
    QComboBox* m_sortierung;
    QLabel* m_weedingCount;
    QWidget* m_drucken = nullptr;
};

} // namespace lesaro
