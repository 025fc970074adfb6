#include "printing/MahnOptionen.h"

#include "printing/rules/MahnLetters.h"
#include "settings/SettingsStore.h"
#include "ui/FlatButton.h"
#include "ui/MessageService.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace lesaro {

TMahnOptionenF::TMahnOptionenF(LibraryHandle&, QWidget* parent)
    : LesaroDialog(parent)
    , m_sender(new QLineEdit(contentArea()))
    , m_body(new QPlainTextEdit(contentArea()))
    , m_closing(new QPlainTextEdit(contentArea())) {
    setObjectName(QStringLiteral("MahnOptionenF"));
    setWindowTitle(QStringLiteral("Mahnschreiben"));
    m_sender->setObjectName(QStringLiteral("EditAbsender"));
    m_body->setObjectName(QStringLiteral("MemoText"));
    m_closing->setObjectName(QStringLiteral("MemoGruss"));
    m_body->setTabChangesFocus(true);
    m_closing->setTabChangesFocus(true);
    m_body->setMinimumHeight(150);
    m_closing->setFixedHeight(80);

    auto* form = new QFormLayout(contentArea());
    form->setContentsMargins(12, 12, 12, 8);
    auto* hint = new QLabel(QStringLiteral("Die Absenderzeile steht klein über der Anschrift im Fenster des "
                                           "Umschlags: Name und Anschrift Ihrer Bücherei. Anrede, Anschrift des "
                                           "Lesers, Datum und die Liste der überfälligen Bücher setzt das Programm "
                                           "selbst ein."),
                            contentArea());
    hint->setWordWrap(true);
    form->addRow(hint);
    form->addRow(QStringLiteral("Absenderzeile:"), m_sender);
    form->addRow(QStringLiteral("Brieftext:"), m_body);
    form->addRow(QStringLiteral("Grußformel:"), m_closing);

    connect(addBarButton(QStringLiteral("BtnStandard"), QStringLiteral("Standard")), &FlatButton::clicked, this,
            &TMahnOptionenF::StandardClick);
    connect(addBarButton(QStringLiteral("BtnOK"), QStringLiteral("OK")), &FlatButton::clicked, this,
            &TMahnOptionenF::OKClick);
    connect(addBarButton(QStringLiteral("BtnAbbrechen"), QStringLiteral("Abbrechen")), &FlatButton::clicked, this,
            &QDialog::reject);
    setClientSize(520, 400);
}

void TMahnOptionenF::FormShow() {
    const printing::MahnTexts texts = printing::MahnTexts::load();
    m_sender->setText(texts.sender);
    m_body->setPlainText(texts.body);
    m_closing->setPlainText(texts.closing);
    m_sender->setFocus();
}

void TMahnOptionenF::StandardClick() {
    const printing::MahnTexts texts = printing::MahnTexts::defaults();
    m_sender->setText(texts.sender);
    m_body->setPlainText(texts.body);
    m_closing->setPlainText(texts.closing);
}

void TMahnOptionenF::OKClick() {
    if (m_body->toPlainText().trimmed().isEmpty()) {
        MessageService::warning(this, QStringLiteral("Bitte geben Sie einen Brieftext ein."));
        m_body->setFocus();
        return;
    }
    printing::MahnTexts texts{m_sender->text().trimmed(), m_body->toPlainText().trimmed(),
                              m_closing->toPlainText().trimmed()};
    texts.save();
    const QString error = SettingsStore::instance().takeWriteError();
    if (!error.isEmpty())
        MessageService::error(this, error);
    accept();
}

} // namespace lesaro
