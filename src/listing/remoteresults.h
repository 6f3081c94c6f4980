#pragma once
// The received share list entries that LV_ShareFile shows, in order of
// arrival: a table model of seven columns (name, size, comment, folder, owner,
// owner IP, password). A row holds its name and size; the texts that many rows
// repeat (comment, folder, owner, address, password) are held once and shared.
#include "listing/shareentry.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QSet>

class RemoteResults : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = 7;
    enum Column { Name, Size, Comment, Folder, Owner, OwnerIP, Password };
    // True for a row whose password makes it a protected file.
    static constexpr int ProtectedRole = Qt::UserRole;

    explicit RemoteResults(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Column 1 by size as a number (text that is none counts as 0); the
    // others as CP949 text with ASCII letters compared without case, like the
    // names that the owners send. Stable: equal rows keep their order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Appends the entries in one insertion.
    void Append(const QList<ShareEntry> &entries);
    void Clear();
    // Removes the given rows (ascending, no repeats) in one step.
    void RemoveRows(const QList<int> &rows);

    int Rows() const { return int(rows_.size()); }
    ShareEntry EntryAt(int row) const;
    const QString &Text(int row, int column) const;
    const QString &OwnerOf(int row) const { return Context(row).owner; }
    const QString &FolderOf(int row) const { return Context(row).folder; }

private:
    struct Shared {
        QString comment, folder, owner, ownerIP, password;
        bool isProtected = false;
    };
    struct Row {
        QString name;
        QString size;
        int shared; // index into shared_
    };
    const Shared &Context(int row) const { return shared_[rows_[row].shared]; }
    int SharedOf(const ShareEntry &entry);
    QString Intern(const QString &text);

    QList<Row> rows_;
    QList<Shared> shared_;
    QHash<QString, int> sharedIndex_;
    QSet<QString> texts_;
};
