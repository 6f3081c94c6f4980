#pragma once
// The share registry: the records this computer publishes, in their order.
// It is the model behind the share settings list; there is no other copy.
#include <QAbstractTableModel>
#include <QList>
#include <QString>

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

class ShareRegistry : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kCapacity = 100;

    explicit ShareRegistry(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    const QList<ShareRecord> &Records() const { return records_; }
    void Clear();
    void Append(const ShareRecord &record);

    // A consistent copy of every record, taken on the registry's (main) thread;
    // the one way for worker threads to read the registry.
    QList<ShareRecord> Snapshot() const;

private:
    QList<ShareRecord> records_;
};
