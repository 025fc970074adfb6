#include "shell/TNetzwerkF.h"

#include "ui/FlatButton.h"

#include <QDir>
#include <QLabel>
#include <QVBoxLayout>

namespace lesaro {

TNetzwerkF::TNetzwerkF(QWidget* parent)
    : LesaroDialog(parent) {
    setObjectName(QStringLiteral("NetzwerkF"));
    setWindowTitle(QStringLiteral("Netzwerk- und Mehrbenutzerbetrieb"));

    auto* layout = new QVBoxLayout(contentArea());
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(10);

    QLabel* head = addParagraph(QStringLiteral("LEinBenutzer"),
                                QStringLiteral("Lesaro ist für einen Benutzer an einem Computer gedacht."));
    QFont bold = head->font();
    bold.setBold(true);
    head->setFont(bold);

    addParagraph(QStringLiteral("LEinFenster"),
                 QStringLiteral("Ihre Bücher, Leser und Ausleihen liegen im Datenordner dieses Computers. Bitte "
                                "arbeiten Sie immer nur in einem Lesaro-Fenster: Wird Lesaro ein zweites Mal mit "
                                "demselben Datenordner gestartet, weist das Programm diesen Start ab, damit keine "
                                "Eingaben verloren gehen."));
    m_datenordner = addParagraph(QStringLiteral("LDatenordner"), {});
    m_datenordner->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_datenordner->hide();
    addParagraph(QStringLiteral("LNetzlaufwerk"),
                 QStringLiteral("Ein Netzlaufwerk, das sich mehrere Computer teilen, ist für den Datenordner nicht "
                                "geeignet: Lesaro ist nicht dafür gemacht, dass mehrere Computer gleichzeitig mit "
                                "denselben Daten arbeiten."));
    addParagraph(QStringLiteral("LUmzug"),
                 QStringLiteral("So nehmen Sie Ihre Daten auf einen anderen Computer mit: Wählen Sie im Menü "
                                "„Programm“ den Punkt „Datenbank sichern/zurücklesen“ und sichern Sie die Datenbank "
                                "in einen Ordner, zum Beispiel auf einem USB-Stick. Auf dem anderen Computer öffnen "
                                "Sie in Lesaro dasselbe Fenster und lesen die Sicherung aus diesem Ordner mit "
                                "„Zurücklesen“ ein."));
    layout->addStretch(1);

    FlatButton* ok = addBarButton(QStringLiteral("BOK"), QStringLiteral("OK"));
    connect(ok, &FlatButton::clicked, this, &TNetzwerkF::accept);
}

void TNetzwerkF::setDataFolder(const QString& folder) {
    m_datenordner->setText(QStringLiteral("Datenordner: %1").arg(QDir::toNativeSeparators(folder)));
    m_datenordner->setVisible(!folder.isEmpty());
}

QLabel* TNetzwerkF::addParagraph(const QString& objectName, const QString& text) {
    auto* label = new QLabel(text, contentArea());
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    // A fixed width lets the word-wrapped paragraphs find their height in the fixed-size window.
    label->setFixedWidth(420);
    contentArea()->layout()->addWidget(label);
    return label;
}

} // namespace lesaro
