#include "ui/SaveFailureBoxes.h"

#include "ui/FileDialogService.h"
#include "ui/MessageService.h"

#include <QDir>

namespace lesaro {

QStringList SaveFailureBoxes::choiceLabels() {
    return {QStringLiteral("Erneut versuchen"), QStringLiteral("In anderem Ordner speichern …"),
            QStringLiteral("Ohne Speichern beenden")};
}

bool SaveFailureBoxes::nobodyToAsk() {
    return MessageService::terminating();
}

SaveFailureQuestions::Choice SaveFailureBoxes::afterFailure(const QString& message) {
    // Closing the box tries again: of the three, only that one can neither lose nor misplace anything.
    const int index = MessageService::choose(m_parent, MessageService::Kind::Error, message, choiceLabels(), 0);
    switch (index) {
    case 1:
        return Choice::OtherFolder;
    case 2:
        return Choice::WithoutSaving;
    default:
        return Choice::Retry;
    }
}

QString SaveFailureBoxes::otherFolder() {
    return FileDialogService::existingFolder(m_parent, QStringLiteral("Ordner für die Bibliotheksdaten wählen"),
                                             QDir::homePath());
}

bool SaveFailureBoxes::reallyWithoutSaving() {
    // "Nein" is the default and the escape button: a stray Enter must not lose the day's work.
    return MessageService::choose(m_parent, MessageService::Kind::Confirmation,
                                  QStringLiteral("Wenn Sie ohne Speichern beenden, gehen alle Änderungen dieser "
                                                 "Sitzung an Büchern, Lesern und Ausleihen verloren.\n\nWirklich "
                                                 "ohne Speichern beenden?"),
                                  {QStringLiteral("&Ja"), QStringLiteral("&Nein")}, 1) == 0;
}

void SaveFailureBoxes::tell(const QString& message) {
    MessageService::warning(m_parent, message);
}

} // namespace lesaro
