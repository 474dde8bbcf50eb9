#include "ui/filefinder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QPlainTextEdit>

namespace velk {

filefinder::filefinder(QString exedir, chooser choose)
    : exedir(std::move(exedir)), choose(choose ? std::move(choose) : chooser(&rundialog)) {}

QString filefinder::pick(QWidget* parent) {
    if (dir.isEmpty())
        dir = !exedir.isEmpty() ? exedir : QCoreApplication::applicationDirPath() + u'/';
    const QStringList files = choose(parent, dir);
    if (files.isEmpty()) return {};
    // The folder part keeps its trailing separator, as the executable's folder does.
    const QString first = QDir::fromNativeSeparators(files.front());
    dir = first.left(first.lastIndexOf(u'/') + 1);
    return filelines(files);
}

QStringList filefinder::rundialog(QWidget* parent, const QString& initialdir) {
    QFileDialog finder(parent, QStringLiteral("File to open:"), initialdir,
                       QStringLiteral("Any file (*)"));
    finder.setObjectName("finder");
    finder.setAcceptMode(QFileDialog::AcceptOpen);
    finder.setFileMode(QFileDialog::ExistingFiles);
    finder.setOption(QFileDialog::HideNameFilterDetails);
    if (finder.exec() != QDialog::Accepted) return {};
    return finder.selectedFiles();
}

QString filelines(const QStringList& files) {
    QStringList lines;
    for (const QString& f : files) {
        const QString path = QDir::toNativeSeparators(f);
        // Quotes keep a path with blanks together as one line to open.
        lines.push_back(path.contains(u' ') ? u'"' + path + u'"' : path);
    }
    return lines.join(u'\n');
}

void choosefiles(filefinder& finder, QWidget* parent, QPlainTextEdit* meaction) {
    const QString text = finder.pick(parent);
    if (!text.isEmpty()) meaction->insertPlainText(text);
    meaction->setFocus(Qt::OtherFocusReason);
}

} // namespace velk
