#pragma once
// Every modal question the program asks goes through here, so that tests can
// answer at this boundary and drive everything else for real.
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace prompts {

enum class Kind { Information, Question, Error, TextInput, OpenFiles, PickFolder };

struct Request {
    Kind kind;
    QString caption;
    QString text;    // message or input prompt
    QString initial; // input prefill, or the starting folder of a picker
};

struct Answer {
    bool accepted = true; // OK / Yes
    QString text;         // input box text, or the chosen folder
    QStringList files;    // chosen files
};

// Installed by tests: receives each request instead of the real dialog.
using Hook = std::function<Answer(const Request &)>;
void SetHook(Hook hook);

void Information(QWidget *parent, const QString &text);
// Error box titled with the application title.
void Error(QWidget *parent, const QString &text);
bool YesNo(QWidget *parent, const QString &text);
// False when cancelled; text holds the answer otherwise.
bool InputText(QWidget *parent, const QString &caption, const QString &prompt, QString &text);
QStringList OpenFiles(QWidget *parent, const QString &caption, const QString &startFolder);
QString PickFolder(QWidget *parent, const QString &caption, const QString &startFolder);

} // namespace prompts
