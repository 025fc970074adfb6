#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace lesaro {

// Every file and folder picker of the program goes through here. Tests switch on answering: then no
// dialog is shown, each request's caption is recorded, and the next queued name is returned (the empty
// text, as for a cancelled dialog, when none is queued).
class FileDialogService {
public:
    FileDialogService() = delete;

    static QString openFileName(QWidget* parent, const QString& caption, const QString& folder = {},
                                const QString& filter = {});
    static QString saveFileName(QWidget* parent, const QString& caption, const QString& folder = {},
                                const QString& filter = {});
    static QString existingFolder(QWidget* parent, const QString& caption, const QString& folder = {});

    static void setAnswering(bool on); // also empties the queue and the record
    static bool answering();
    static void answerNext(const QString& name);
    static QStringList takeAsked();
};

} // namespace lesaro
