#pragma once
#include <QString>
#include <QStringList>
#include <QUrl>

namespace velk {

// What opening a script line's file with its parameters comes down to, decided without starting
// anything so that the decision can be checked on its own.
struct openplan {
    enum class kind { none, url, document, program };
    kind what = kind::none;
    QString program;  // program: its absolute path
    QStringList args; // program: the parameters split as a command line, quotes respected
    QString workdir;  // program: the directory to start in, empty for the current one
    QUrl url;         // url: the address; document: the local file or folder
};

// Rules, in order:
// - The file and directory lose a pair of enclosing double quotes (scripts quote paths with
// blanks).
// - An existing path is a folder or document (opened in its default application), or a program when
//   it is an executable file that the system can start itself (an ELF binary or a "#!" script);
//   an executable bit alone does not make a program, since whole drives of documents carry it.
// - A bare name (no "/") that names a program on PATH is that program, before any file of that name
//   in the current directory, as at a command prompt.
// - "scheme:..." with a scheme of two or more letters is an address (web, mail, ...), and so is
//   "www.host..." (taken as http); a "file:" address must name an existing file.
// - Anything else is kind::none: nothing to open, so the caller can try a longer file name.
// Parameters go to programs only; documents and addresses ignore them.
openplan planopen(const QString& file, const QString& params, const QString& dir);

// The first of the files that planopen() would open (files.size() for none): a file that exists,
// a program on PATH, an address.
qsizetype firstopenable(const QStringList& files);

// The text without one pair of enclosing double quotes (or a lone leading one), trimmed.
QString unquoted(const QString& text);

} // namespace velk
