#include "shell/TUmfrageF.h"

#include "core/Clock.h"
#include "core/GermanLocale.h"
#include "ui/FlatButton.h"
#include "ui/MessageService.h"
#include "ui/PrintDialogService.h"

#include <QAbstractTextDocumentLayout>
#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QRadioButton>
#include <QTextDocument>
#include <QVBoxLayout>

namespace lesaro {

namespace {

const QString kQuestionEinsatz = QStringLiteral("1. Wo setzen Sie Lesaro ein?");
const QString kQuestionBuecher = QStringLiteral("2. Wie viele Bücher hat Ihre Bibliothek ungefähr?");
const QString kQuestionGut = QStringLiteral("3. Was gefällt Ihnen an Lesaro, was funktioniert gut?");
const QString kQuestionFehlt = QStringLiteral("4. Was fehlt Ihnen, was sollten wir verbessern?");
const QString kNoAnswer = QStringLiteral("(keine Angabe)");

QLabel* questionLabel(const QString& objectName, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

QPlainTextEdit* memo(const QString& objectName, QWidget* parent) {
    auto* edit = new QPlainTextEdit(parent);
    edit->setObjectName(objectName);
    edit->setTabChangesFocus(true);
    edit->setFixedHeight(72);
    return edit;
}

// Whatever the user typed is printed as typed: no markup of theirs reaches the page, line breaks stay.
QString answerParagraph(const QString& text) {
    const QString shown = text.trimmed().isEmpty() ? kNoAnswer : text.trimmed();
    return QStringLiteral("<p style=\"white-space: pre-wrap; margin-top: 2px; margin-left: 16px;\">%1</p>")
        .arg(shown.toHtmlEscaped());
}

QString questionParagraph(const QString& question) {
    return QStringLiteral("<p style=\"margin-top: 14px;\"><b>%1</b></p>").arg(question.toHtmlEscaped());
}

} // namespace

TUmfrageF::TUmfrageF(QWidget* parent)
    : LesaroDialog(parent)
    , m_bibliothek(new QLineEdit(contentArea()))
    , m_einsatz(new QButtonGroup(this))
    , m_sonstige(new QRadioButton(QStringLiteral("Sonstiges:"), contentArea()))
    , m_sonstigeText(new QLineEdit(contentArea()))
    , m_buecherzahl(new QComboBox(contentArea()))
    , m_gut(memo(QStringLiteral("MGut"), contentArea()))
    , m_fehlt(memo(QStringLiteral("MFehlt"), contentArea())) {
    setObjectName(QStringLiteral("UmfrageF"));
    setWindowTitle(QStringLiteral("UMFRAGE zur Verbesserung des Programmes"));

    QWidget* area = contentArea();
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(6);

    auto* intro = new QLabel(QStringLiteral("Helfen Sie uns, Lesaro noch besser zu machen! Füllen Sie den Fragebogen "
                                            "aus, drucken Sie ihn mit „Drucken“ aus und schicken Sie ihn an Orvendel "
                                            "Software. Lesaro selbst versendet nichts: Ihre Angaben verlassen den "
                                            "Computer nur auf dem Papier."),
                             area);
    intro->setObjectName(QStringLiteral("LEinleitung"));
    intro->setTextFormat(Qt::PlainText);
    intro->setWordWrap(true);
    intro->setFixedWidth(460);
    layout->addWidget(intro);
    layout->addSpacing(6);

    auto* bibliothekRow = new QHBoxLayout;
    auto* bibliothekLabel = new QLabel(QStringLiteral("Ihre Bibliothek (freiwillig):"), area);
    bibliothekLabel->setObjectName(QStringLiteral("LBibliothek"));
    bibliothekLabel->setBuddy(m_bibliothek);
    m_bibliothek->setObjectName(QStringLiteral("EBibliothek"));
    bibliothekRow->addWidget(bibliothekLabel);
    bibliothekRow->addWidget(m_bibliothek, 1);
    layout->addLayout(bibliothekRow);

    layout->addWidget(questionLabel(QStringLiteral("LEinsatz"), kQuestionEinsatz, area));
    auto* einsatz = new QGridLayout;
    einsatz->setContentsMargins(16, 0, 0, 0);
    const struct {
        const char* name;
        const char* text;
        int row, column;
    } places[] = {{"RBSchule", "Schulbibliothek", 0, 0},
                  {"RBPfarrei", "Pfarr- oder Gemeindebücherei", 0, 1},
                  {"RBVerein", "Vereinsbibliothek", 1, 0}};
    for (const auto& p : places) {
        auto* rb = new QRadioButton(QString::fromUtf8(p.text), area);
        rb->setObjectName(QString::fromLatin1(p.name));
        m_einsatz->addButton(rb);
        einsatz->addWidget(rb, p.row, p.column);
    }
    m_sonstige->setObjectName(QStringLiteral("RBSonstige"));
    m_einsatz->addButton(m_sonstige);
    m_sonstigeText->setObjectName(QStringLiteral("ESonstige"));
    auto* sonstigeRow = new QHBoxLayout;
    sonstigeRow->addWidget(m_sonstige);
    sonstigeRow->addWidget(m_sonstigeText, 1);
    einsatz->addLayout(sonstigeRow, 1, 1);
    layout->addLayout(einsatz);
    // Describing another place of use is answering "Sonstiges".
    connect(m_sonstigeText, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!text.trimmed().isEmpty())
            m_sonstige->setChecked(true);
    });

    layout->addWidget(questionLabel(QStringLiteral("LBuecherzahl"), kQuestionBuecher, area));
    m_buecherzahl->setObjectName(QStringLiteral("CBBuecherzahl"));
    m_buecherzahl->addItems({QString(), QStringLiteral("bis 500"), QStringLiteral("501 bis 2.000"),
                             QStringLiteral("2.001 bis 5.000"), QStringLiteral("5.001 bis 10.000"),
                             QStringLiteral("mehr als 10.000")});
    auto* buecherRow = new QHBoxLayout;
    buecherRow->setContentsMargins(16, 0, 0, 0);
    buecherRow->addWidget(m_buecherzahl);
    buecherRow->addStretch(1);
    layout->addLayout(buecherRow);

    layout->addWidget(questionLabel(QStringLiteral("LGut"), kQuestionGut, area));
    layout->addWidget(m_gut);
    layout->addWidget(questionLabel(QStringLiteral("LFehlt"), kQuestionFehlt, area));
    layout->addWidget(m_fehlt);

    FlatButton* drucken = addBarButton(QStringLiteral("BDrucken"), QStringLiteral("Drucken"));
    FlatButton* schliessen = addBarButton(QStringLiteral("BSchliessen"), QStringLiteral("Schließen"));
    connect(drucken, &FlatButton::clicked, this, [this] { BDruckenClick(); });
    connect(schliessen, &FlatButton::clicked, this, &TUmfrageF::accept);
}

QString TUmfrageF::einsatzAnswer() const {
    QAbstractButton* chosen = m_einsatz->checkedButton();
    if (!chosen)
        return {};
    if (chosen != m_sonstige)
        return chosen->text();
    const QString other = m_sonstigeText->text().trimmed();
    return other.isEmpty() ? QStringLiteral("Sonstiges") : QStringLiteral("Sonstiges: %1").arg(other);
}

QString TUmfrageF::surveyHtml() const {
    QString html = QStringLiteral("<h2>Umfrage zur Verbesserung von Lesaro 2012</h2>");
    html += QStringLiteral("<p>An: Orvendel Software<br/>Ausgefüllt am %1</p>")
                .arg(GermanLocale::formatDate(Clock::today()).toHtmlEscaped());
    html += questionParagraph(QStringLiteral("Bibliothek:")) + answerParagraph(m_bibliothek->text());
    html += questionParagraph(kQuestionEinsatz) + answerParagraph(einsatzAnswer());
    html += questionParagraph(kQuestionBuecher) + answerParagraph(m_buecherzahl->currentText());
    html += questionParagraph(kQuestionGut) + answerParagraph(m_gut->toPlainText());
    html += questionParagraph(kQuestionFehlt) + answerParagraph(m_fehlt->toPlainText());
    html += QStringLiteral("<p style=\"margin-top: 24px;\">Vielen Dank für Ihre Hilfe!</p>");
    return html;
}

bool TUmfrageF::BDruckenClick() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Lesaro - Umfrage"));
    printer.setPageSize(QPageSize(QPageSize::A4));
    const bool go = PrintDialogService::print(printer, this, QStringLiteral("Umfrage drucken"));
    if (!go)
        return false;
    if (!printOn(printer)) {
        MessageService::error(this, QStringLiteral("Die Umfrage konnte nicht gedruckt werden. Bitte prüfen Sie den "
                                                   "Drucker und versuchen Sie es noch einmal."));
        return false;
    }
    return true;
}

bool TUmfrageF::printOn(QPrinter& printer) const {
    QTextDocument doc;
    doc.setDefaultFont(QFont(QStringLiteral("Arial"), 11));
    doc.setHtml(surveyHtml());
    // Laid out for the printer's resolution, so that point sizes come out as points on paper.
    doc.documentLayout()->setPaintDevice(&printer);
    const QSizeF page = printer.pageLayout().paintRectPixels(printer.resolution()).size();
    doc.setPageSize(page);

    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const int pages = doc.pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            return false;
        }
        painter.save();
        painter.translate(0, -i * page.height());
        doc.drawContents(&painter, QRectF(QPointF(0, i * page.height()), page));
        painter.restore();
    }
    return painter.end();
}

} // namespace lesaro
