#include "app/TDirListBox.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QStyle>

namespace {

constexpr int PathRole = Qt::UserRole;

// A clean absolute path as its root ("/", "C:/") and the folder names below it.
struct SplitPath {
    explicit SplitPath(const QString& path)
        : root(path.left(path.indexOf(u'/') + 1)),
          folders(path.sliced(root.size()).split(u'/', Qt::SkipEmptyParts))
    {
    }
    QString root;
    QStringList folders;
};

} // namespace

TDirListBox::TDirListBox(QWidget* parent)
    : QTreeWidget(parent), fDirectory(QDir::currentPath())
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setExpandsOnDoubleClick(false);
    setEditTriggers(NoEditTriggers);
    setIndentation(12);
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](const QTreeWidgetItem* item) { OpenItem(item); });
    Fill();
}

void TDirListBox::SetDirectory(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        fDirectory = QDir::cleanPath(info.absoluteFilePath());
    Fill();
    UpdateDirLabel();
}

void TDirListBox::SetDirLabel(QLabel* label)
{
    fDirLabel = label;
    UpdateDirLabel();
}

void TDirListBox::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        OpenItem(currentItem());
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void TDirListBox::resizeEvent(QResizeEvent* event)
{
    QTreeWidget::resizeEvent(event);
    UpdateDirLabel();
}

void TDirListBox::OpenItem(const QTreeWidgetItem* item)
{
    SetDirectory(item->data(0, PathRole).toString());
}

void TDirListBox::Fill()
{
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const SplitPath split(fDirectory);
    auto* parent = new QTreeWidgetItem(this, QStringList{QDir::toNativeSeparators(split.root)});
    parent->setIcon(0, openIcon);
    parent->setData(0, PathRole, split.root);
    QString path = split.root;
    for (const QString& folder : split.folders) {
        path += folder;
        parent = new QTreeWidgetItem(parent, QStringList{folder});
        parent->setIcon(0, openIcon);
        parent->setData(0, PathRole, path);
        path += u'/';
    }
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QDir current(fDirectory);
    const QFileInfoList subFolders = current.entryInfoList(
        QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QFileInfo& sub : subFolders) {
        auto* item = new QTreeWidgetItem(parent);
        item->setText(0, sub.fileName());
        item->setIcon(0, closedIcon);
        item->setData(0, PathRole, sub.absoluteFilePath());
    }
    expandAll();
    setCurrentItem(parent);
    scrollToItem(parent);
}

void TDirListBox::UpdateDirLabel()
{
    if (fDirLabel)
        fDirLabel->setText(ShortenedPath(fDirectory, fDirLabel->fontMetrics(), width()));
}

QString ShortenedPath(const QString& path, const QFontMetrics& metrics, int width)
{
    const QString full = QDir::toNativeSeparators(path);
    if (metrics.horizontalAdvance(full) <= width)
        return full;
    const QString separator = QDir::separator();
    const SplitPath split(QDir::fromNativeSeparators(path));
    QString shortened;
    for (qsizetype first = 1; first < split.folders.size(); ++first) {
        shortened = QDir::toNativeSeparators(split.root) + QStringLiteral("...") + separator
                    + split.folders.sliced(first).join(separator);
        if (metrics.horizontalAdvance(shortened) <= width)
            break;
    }
    return shortened.isEmpty() ? full : shortened;
}
