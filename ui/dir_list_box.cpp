// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

#include "dir_list_box.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {
constexpr int kFolderRole = Qt::UserRole;
constexpr int kDepthRole = Qt::UserRole + 1;
constexpr int kIndentPixels = 8;

// Shifts each entry right by its depth in the tree.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem shifted = option;
        shifted.rect.setLeft(option.rect.left() + indentOf(index));
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += indentOf(index);
        return size;
    }

private:
    static int indentOf(const QModelIndex &index) { return index.data(kDepthRole).toInt() * kIndentPixels; }
};

// Why folder cannot be listed, or an empty text when it can.
QString listingProblem(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.exists())
        return QStringLiteral("The folder \"%1\" does not exist.").arg(QDir::toNativeSeparators(folder));
    if (!info.isDir())
        return QStringLiteral("\"%1\" is not a folder.").arg(QDir::toNativeSeparators(folder));
    if (!info.isReadable() || !info.isExecutable())
        return QStringLiteral("The folder \"%1\" cannot be read: permission denied.")
            .arg(QDir::toNativeSeparators(folder));
    return {};
}

// The folders from the root down to folder, folder included.
QStringList chainDownTo(const QString &folder)
{
    QStringList chain;
    QDir dir(folder);
    chain.prepend(dir.absolutePath());
    while (dir.cdUp())
        chain.prepend(dir.absolutePath());
    return chain;
}
} // namespace

DirListBox::DirListBox(QWidget *parent)
    : QListWidget(parent)
{
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { emit folderChosen(folderOf(item)); });
}

bool DirListBox::setPath(const QString &folder, QString *error)
{
    const QString cleaned = QDir::cleanPath(QDir(folder).absolutePath());
    if (const QString problem = listingProblem(cleaned); !problem.isEmpty()) {
        if (error)
            *error = problem;
        return false;
    }

    const QStringList subfolders = QDir(cleaned).entryList(QDir::Dirs | QDir::NoDotAndDotDot,
                                                           QDir::Name | QDir::IgnoreCase);
    clear();
    const QStringList chain = chainDownTo(cleaned);
    for (int depth = 0; depth < chain.size(); ++depth) {
        const QString &link = chain[depth];
        const QString name = QFileInfo(link).fileName();
        addEntry(link, name.isEmpty() ? QDir::toNativeSeparators(link) : name, depth, true);
    }
    setCurrentRow(count() - 1);
    const QDir current(cleaned);
    for (const QString &name : subfolders)
        addEntry(current.filePath(name), name, static_cast<int>(chain.size()), false);
    scrollToItem(currentItem());
    m_path = cleaned;
    return true;
}

QString DirListBox::folderOf(const QListWidgetItem *item)
{
    return item ? item->data(kFolderRole).toString() : QString();
}

void DirListBox::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        emit folderChosen(folderOf(currentItem()));
        return;
    }
    QListWidget::keyPressEvent(event);
}

void DirListBox::addEntry(const QString &folder, const QString &text, int depth, bool open)
{
    auto *item = new QListWidgetItem(style()->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon),
                                     text, this);
    item->setData(kFolderRole, folder);
    item->setData(kDepthRole, depth);
    item->setToolTip(QDir::toNativeSeparators(folder));
}
