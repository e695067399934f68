#include "ui/FileListView.h"

#include "core/FileListTexts.h"
#include "core/VideoUtils.h"

#include <QDrag>
#include <QDragMoveEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QScrollBar>

namespace {

enum TColumn { colFileName, colDuration, colType, colFrameSize, colFrameRate, colAudio, colFolder };

} // namespace

TFileListItem::TFileListItem(std::unique_ptr<TVideoFileInfo> Info) : FInfo(std::move(Info)) {}

TFileListItem::~TFileListItem() = default;

QVariant TFileListItem::data(int Column, int Role) const
{
  const auto* list = static_cast<const TFileListView*>(treeWidget());
  if (Role == Qt::BackgroundRole && list && list->DropTarget() >= 0 && list->Entry(list->DropTarget()) == this)
    return list->palette().color(QPalette::Highlight).lighter(170);
  // A marked cell says in its tip what differs from the first file.
  if ((Role == Qt::ForegroundRole || Role == Qt::ToolTipRole) && list && list->HighlightDifferents()) {
    const TMarkedCell cells[] = {TMarkedCell::Type, TMarkedCell::FrameSize, TMarkedCell::FrameRate, TMarkedCell::Audio};
    if (Column >= colType && Column <= colAudio && list->topLevelItemCount() > 0) {
      const std::string text = DifferenceText(cells[Column - colType], *FInfo, list->Entry(0)->Info());
      if (!text.empty())
        return Role == Qt::ForegroundRole ? QVariant(HighlightColor) : QVariant(QString::fromStdString(text));
    }
  }
  return QTreeWidgetItem::data(Column, Role);
}

TFileListView::TFileListView(QWidget* Parent) : QTreeWidget(Parent)
{
  setHeaderLabels({"File name", "Duration", "Type", "Frame size", "Frame rate", "Audio", "Folder"});
  const int widths[] = {150, 60, 50, 70, 70, 50, 100};
  for (int c = 0; c < 7; ++c)
    setColumnWidth(c, widths[c]);
  header()->setSectionsClickable(false);
  header()->setSectionsMovable(false);
  header()->setStretchLastSection(false);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDropIndicatorShown(false);
  setContextMenuPolicy(Qt::CustomContextMenu);
}

TFileListItem* TFileListView::Entry(int Index) const
{
  return static_cast<TFileListItem*>(topLevelItem(Index));
}

void TFileListView::SetHighlightDifferents(bool Value)
{
  FHighlightDifferents = Value;
  viewport()->update();
}

void TFileListView::SetDropTarget(int Index)
{
  FDropTarget = Index >= 0 && Index < topLevelItemCount() ? QPersistentModelIndex(model()->index(Index, 0))
                                                          : QPersistentModelIndex();
  viewport()->update(); // the target is marked
}

void TFileListView::startDrag(Qt::DropActions)
{
  // The list reorders itself at the end of the drag; nothing is carried and no image is shown.
  FDropTarget = QPersistentModelIndex();
  auto* drag = new QDrag(this);
  drag->setMimeData(new QMimeData);
  drag->exec(Qt::MoveAction);
  emit EndDrag();
  SetDropTarget(-1);
}

void TFileListView::dragEnterEvent(QDragEnterEvent* Event)
{
  if (Event->source() == this)
    Event->acceptProposedAction();
  else
    Event->ignore();
}

void TFileListView::dragMoveEvent(QDragMoveEvent* Event)
{
  if (Event->source() != this) {
    Event->ignore();
    return;
  }
  // Over empty space the last entry under the cursor stays the target.
  const QModelIndex under = indexAt(Event->position().toPoint());
  if (under.isValid() && under.row() != DropTarget())
    SetDropTarget(under.row());
  Event->acceptProposedAction();
  const int y = Event->position().toPoint().y();
  if (y < 20)
    verticalScrollBar()->setValue(verticalScrollBar()->value() - 10);
  else if (y > viewport()->height() - 20)
    verticalScrollBar()->setValue(verticalScrollBar()->value() + 10);
}

void TFileListView::dropEvent(QDropEvent* Event)
{
  // Accepted without moving anything here: the move happens at EndDrag.
  Event->setDropAction(Qt::CopyAction);
  Event->accept();
}
