#pragma once

#include "exchange/rules/ImportMapping.h"
#include "ui/LesaroDialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QTableView;
class QTableWidget;
class QToolButton;

namespace lesaro {

class DataSource;
class FlatButton;
class PreviewModel;

// The window both import wizards share: step 1 chooses the source and previews it crosswise (a column per
// source record), step 3 assigns source fields to the table's fields row by row, and " Abschluss" appends
// one row per source record. The book and the reader wizard differ only in their table and target rows.
// The window lives for the whole run; path, table list, preview and assignments stay from one opening to
// the next.
class ImportWizard : public LesaroDialog {
    Q_OBJECT
public:
    // More records than this get a progress dialog.
    static constexpr int kProgressThreshold = 300;

    const QList<int>& assignment() const { return m_assignment; }
    const PreviewGrid& preview() const;
    const QList<ImportTarget>& targets() const { return m_targets; }

    // Handlers.
    void FormShow() override;
    void SpeedButton4Click();
    void CBTabellenClick();
    void SRColorButton4Click();
    void SpeedButton5Click();
    void SpeedButton1Click();
    void SRColorButton11Click();
    void SRColorButton12Click();
    void CBZeichensatzClick();

protected:
    ImportWizard(DataSource& source, QList<ImportTarget> targets, QWidget* parent);

private:
    void buildStep1();
    void buildStep2();
    void showStep(int step);
    exchange::Separator separator() const;
    void refuseSource(const QString& message);

    DataSource& m_source;
    QList<ImportTarget> m_targets;
    QList<int> m_assignment;

    QWidget* m_P1;
    QLineEdit* m_EQuelldatei = nullptr;
    QToolButton* m_SpeedButton4 = nullptr;
    QComboBox* m_CBTabellen = nullptr;
    QCheckBox* m_CBTitelzeile = nullptr;
    QRadioButton* m_RBTabulator = nullptr;
    QRadioButton* m_RBSemikolon = nullptr;
    QRadioButton* m_RBKomma = nullptr;
    // How a text source is decoded: found from the file when it is chosen, changed by the user.
    QComboBox* m_CBZeichensatz = nullptr;
    bool m_encodingFound = false;
    PreviewModel* m_preview;
    QTableView* m_SGDatei = nullptr;

    QWidget* m_P2;
    QTableWidget* m_SGDatenbank = nullptr;
    PreviewModel* m_preview2;
    QTableView* m_SgDatei2 = nullptr;
    QToolButton* m_SpeedButton5 = nullptr;
    QToolButton* m_SpeedButton1 = nullptr;

    FlatButton* m_SRColorButton4;
    FlatButton* m_SRColorButton11;
    FlatButton* m_SRColorButton12;
};

} // namespace lesaro
