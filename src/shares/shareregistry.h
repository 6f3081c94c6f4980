#pragma once
// The share registry: the records this computer publishes, in their order.
// It is the model behind the share settings list; there is no other copy.
#include <QAbstractTableModel>
#include <QList>
#include <QString>

#include <array>

enum class ShareKind { File, Folder };

struct ShareRecord {
    QString name;     // file name, or a folder record's full path
    QString size;     // decimal bytes, or "N files" for a folder
    QString comment;
    QString folder;   // a file record's folder, ending with "/"; empty for a folder
    QString password; // stored form; empty for none
    ShareKind kind = ShareKind::File;

    QString FullPath() const { return folder + name; }
};

enum class AddResult {
    Added,
    Skipped,   // not an existing file or folder of that kind, or already registered
    Full,      // the registry holds its capacity of records
    Unstorable // the path holds ";" or a character without a CP949 form
};

class ShareRegistry : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kCapacity = 100;
    static constexpr int kColumns = 5;
    enum Role { KindRole = Qt::UserRole, LockedRole };

    explicit ShareRegistry(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Main thread only; workers use Snapshot().
    const QList<ShareRecord> &Records() const { return records_; }
    void Clear();
    void Append(const ShareRecord &record);

    // Adds one record at the end. path is trimmed; comment and password (the
    // stored form) are trimmed.
    AddResult AddShareRecord(const QString &path, const QString &comment, const QString &password,
                             ShareKind kind);
    void RemoveRecords(QList<int> rows);
    void SetComment(const QList<int> &rows, const QString &comment);
    void SetPassword(const QList<int> &rows, const QString &stored);

    // Sorts by column with that column's own direction, then flips it; the
    // first sort of each column is ascending.
    void SortColumn(int column);
    bool SortsDescending(int column) const { return descending_[column]; }

    // Counts every folder record's files again (rewriting its size) and
    // returns the files published: those counts plus one per file record.
    qint64 RecountFiles();

    // A consistent copy of every record, taken on the registry's (main) thread;
    // the one way for worker threads to read the registry.
    QList<ShareRecord> Snapshot() const;

private:
    QList<ShareRecord> records_;
    std::array<bool, kColumns> descending_{};
};

// What the user is told when a path was not added: empty for Added and
// Skipped (a path that is not there, or registered already, goes by quietly).
QString AddResultMessage(AddResult result, const QString &path);

// The share count line of the status bar.
QString ShareCountText(qint64 files, int records);
