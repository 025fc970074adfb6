#include "ui/FileDialogService.h"

#include <QFileDialog>
#include <QQueue>

namespace lesaro {

namespace {

struct Answering {
    bool on = false;
    QQueue<QString> names;
    QStringList asked;
};

Answering& state() {
    static Answering a;
    return a;
}

// Returns true with the answer in name when a test answers instead of the user.
bool answered(const QString& caption, QString& name) {
    Answering& a = state();
    if (!a.on)
        return false;
    a.asked.append(caption);
    name = a.names.isEmpty() ? QString() : a.names.dequeue();
    return true;
}

} // namespace

QString FileDialogService::openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                        const QString& filter) {
    QString name;
    if (answered(caption, name))
        return name;
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString FileDialogService::saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                                        const QString& filter) {
    QString name;
    if (answered(caption, name))
        return name;
    return QFileDialog::getSaveFileName(parent, caption, folder, filter);
}

QString FileDialogService::existingFolder(QWidget* parent, const QString& caption, const QString& folder) {
    QString name;
    if (answered(caption, name))
        return name;
    return QFileDialog::getExistingDirectory(parent, caption, folder);
}

void FileDialogService::setAnswering(bool on) {
    Answering& a = state();
    a.on = on;
    a.names.clear();
    a.asked.clear();
}

bool FileDialogService::answering() {
    return state().on;
}

void FileDialogService::answerNext(const QString& name) {
    state().names.enqueue(name);
}

QStringList FileDialogService::takeAsked() {
    return std::exchange(state().asked, {});
}

} // namespace lesaro
