#pragma once

#include <QLabel>
#include <QPointer>
#include <QString>
#include <QTreeWidget>

class QFontMetrics;

// The folders of one drive: the chain from the root down to the current
// folder, then the current folder's sub-folders. Double-click or Enter on an
// entry makes it the current folder. Hidden sub-folders are left out, as a
// file manager does by default.
class TDirListBox : public QTreeWidget {
    Q_OBJECT

public:
    // Starts in the process's current folder.
    explicit TDirListBox(QWidget* parent = nullptr);

    // Full path of the current folder, whatever the folder label shows.
    QString Directory() const { return fDirectory; }
    // A path that is not an existing folder leaves the current folder as it
    // is; the list is read anew either way.
    void SetDirectory(const QString& path);

    // The label that shows the current folder, shortened to the list's width.
    void SetDirLabel(QLabel* label);

protected:
    // The entries are not folded, so no branch marks are drawn.
    void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void OpenItem(const QTreeWidgetItem* item);
    void Fill();
    void UpdateDirLabel();

    QString fDirectory;
    QPointer<QLabel> fDirLabel;
};

// The path, with "..." in place of as many leading folders as needed to fit
// in width; the root and the last folder are always kept.
QString ShortenedPath(const QString& path, const QFontMetrics& metrics, int width);
