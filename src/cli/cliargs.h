#pragma once
// The command line of quillmere-cli: a command, its operands and its options.
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

struct CliArgs {
    QString command;                 // "serve", "share", "peers", "browse", "search", "get"
    QStringList operands;            // what follows the command, options taken out
    QHash<QString, QString> options; // "--to DIR" as "to" -> "DIR"; a flag's value is empty

    bool Has(const QString &option) const { return options.contains(option); }
    QString Value(const QString &option) const { return options.value(option); }
};

// Parses the arguments after the program's name; nullopt with error set when
// the command is unknown, an option does not belong to it or lacks its value,
// or the operands are too few or too many.
std::optional<CliArgs> ParseCliArgs(const QStringList &args, QString *error);

// The usage text, in Korean.
QString CliUsage();

// A number of seconds given to --wait: positive, at most a day. nullopt when not one.
std::optional<int> WaitSeconds(const QString &text);
