#pragma once

#include "library/LibraryData.h"

class QWidget;

namespace lesaro {

// The questions of a failed save at the end of the run, asked with message boxes and the folder picker.
// Nobody is there to ask once the system has asked the program to end.
class SaveFailureBoxes : public SaveFailureQuestions {
public:
    explicit SaveFailureBoxes(QWidget* parent)
        : m_parent(parent) {}

    // The buttons of the question after a failure, in the order of SaveFailureQuestions::Choice.
    static QStringList choiceLabels();

    bool nobodyToAsk() override;
    Choice afterFailure(const QString& message) override;
    QString otherFolder() override;
    bool reallyWithoutSaving() override;
    void tell(const QString& message) override;

private:
    QWidget* m_parent;
};

} // namespace lesaro
