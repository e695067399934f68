#pragma once

#include <QColor>
#include <QPersistentModelIndex>
#include <QTreeWidget>

#include <memory>

struct TVideoFileInfo;

// The text colour of a cell whose format differs from the first entry's.
inline const QColor HighlightColor(170, 50, 50);

// One row of the file list: its seven cell texts, computed once, and the description it owns.
class TFileListItem : public QTreeWidgetItem {
public:
  explicit TFileListItem(std::unique_ptr<TVideoFileInfo> Info);
  ~TFileListItem() override;

  TVideoFileInfo& Info() const { return *FInfo; }
  // Draws the differing cells in HighlightColor while the list highlights.
  QVariant data(int Column, int Role) const override;

private:
  std::unique_ptr<TVideoFileInfo> FInfo;
};

// The list of input files: report view, one selected row, reordered by dragging inside it.
class TFileListView : public QTreeWidget {
  Q_OBJECT

public:
  explicit TFileListView(QWidget* Parent = nullptr);

  TFileListItem* Entry(int Index) const;
  bool HighlightDifferents() const { return FHighlightDifferents; }
  void SetHighlightDifferents(bool Value);
  // The entry under the cursor at the last drag-over of an internal drag; -1 when none.
  int DropTarget() const { return FDropTarget.isValid() ? FDropTarget.row() : -1; }
  void SetDropTarget(int Index);

signals:
  // An internal drag ended, wherever it ended.
  void EndDrag();

protected:
  void startDrag(Qt::DropActions SupportedActions) override;
  void dragEnterEvent(QDragEnterEvent* Event) override;
  void dragMoveEvent(QDragMoveEvent* Event) override;
  void dropEvent(QDropEvent* Event) override;

private:
  bool FHighlightDifferents = false;
  QPersistentModelIndex FDropTarget;
};
