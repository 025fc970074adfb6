#pragma once

#include "exchange/rules/ExportWriter.h"
#include "ui/LesaroDialog.h"

#include <QList>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;
class QToolButton;

namespace lesaro {

class DataSource;
class FlatButton;

// The window both exports share: format, target file, the fields to write, separator, qualifier and
// header line. The reader and the book export differ only in their table and their list of fields.
class ExportWindow : public LesaroDialog {
    Q_OBJECT
public:
    struct FieldChoice {
        QString checkBox; // object name
        QString caption;
        ExportColumn column;
        int position = 0; // place of the column in the file
    };

    // More rows than this get a progress dialog.
    static constexpr int kProgressThreshold = 300;

    // Fields come in the order of their check boxes; position orders the file's columns.
    // Settings for the choices the window shows now.
    ExportSettings settings() const;

    // Handlers.
    void FormShow() override;
    void RBCSVClick();
    void RBHTMLClick();
    void RBTXTClick();
    void EZieldateiChange();
    void SpeedButton1Click();
    void Button1Click();

protected:
    ExportWindow(DataSource& source, QList<FieldChoice> fields, int fieldColumns, QString htmlTitle, QWidget* parent);

private:
    void setSeparatorsEnabled(bool on);

    DataSource& m_source;
    QList<FieldChoice> m_fields;
    QString m_htmlTitle;

    QRadioButton* m_RBCSV;
    QRadioButton* m_RBHTML;
    QRadioButton* m_RBTXT;
    QLineEdit* m_EZieldatei;
    QToolButton* m_SpeedButton1;
    QGroupBox* m_GBFelder;
    QList<QCheckBox*> m_fieldBoxes;
    QGroupBox* m_GBTrennzeichen;
    QRadioButton* m_RBTabulator;
    QRadioButton* m_RBSemikolon;
    QRadioButton* m_RBKomma;
    QGroupBox* m_GBKennzeichner;
    QRadioButton* m_RBdoppelt;
    QRadioButton* m_RBeinfach;
    QRadioButton* m_RBkeine;
    QCheckBox* m_CBTitelzeile;
    FlatButton* m_Button1;
};

} // namespace lesaro
