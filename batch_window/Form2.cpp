#include "batch_window/Form2.h"

#include <QCloseEvent>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>

#include "batch_window/AddFolder.h"
#include "batch_window/Form2Actions.h"
#include "modDBF.h"
#include "shell/IsInstalled.h"
#include "shell/Main.h"
#include "shell/error_report.h"
#include "shell/platform_files.h"

namespace brelloquin {

namespace {

using shell::Place;
using shell::Twips;

const QChar kSeparator = QDir::separator();

const QString kExtensionPrompt = QStringLiteral(
    "Enter file extension to load:\r\r(* for all files, txt for all txt files, doc for all doc "
    "files, etc.)");
const QString kSamplesQuestion = QStringLiteral(
    "Would you like this software to open the folder where these sample files are stored (so "
    "that you can view them before working with them)?");
const QString kHelpText = QStringLiteral(
    "The sheet names for every sheet in all the files must be unique. If there is a duplicate "
    "sheet name in any of the files, an error will occur.");

// Open-file dialog flags: read-only box, multiple selection, explorer look, long names.
constexpr int kAddFilesFlags = 0x1 | shell::kAllowMultiSelect | 0x80000 | 0x200000;

shell::Steps StepsOf(shell::Platform& platform, const char* handler) {
  return shell::Steps(platform.Messages(),
                      shell::Location(QStringLiteral("Form2"), QString::fromLatin1(handler)));
}

// A folder that a listing of folders shows: hidden and system folders are not.
bool IsVisibleFolder(const QString& path) {
  const int attributes = shell::FileAttributes(path);
  return (attributes & shell::kAttributeDirectory) &&
         !(attributes & (shell::kAttributeHidden | shell::kAttributeSystem));
}

}  // namespace

Form2::Form2(shell::Platform& platform, QWidget& mainWindow)
    : platform_(platform), mainWindow_(mainWindow) {
  setFont(shell::WindowFont());
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(Twips(0, 0, 8040, 4980).size());

  PushButton3 = Place<QPushButton>(this, QStringLiteral("< Back"), Twips(120, 120, 3840, 405));
  PushButton8 = Place<QPushButton>(this, QStringLiteral("Help"), Twips(4080, 120, 3840, 405));
  ListView1 = new QTreeWidget(this);
  ListView1->setGeometry(Twips(120, 630, 7800, 2265));
  PushButton1 =
      Place<QPushButton>(this, QStringLiteral("Add XLS/XLSX Files"), Twips(120, 3000, 3840, 405));
  PushButton5 = Place<QPushButton>(this, QStringLiteral("Add All XLS/XLSX Files In Folder"),
                                   Twips(4080, 3000, 3840, 405));
  PushButton7 = Place<QPushButton>(this, QStringLiteral("Clear List"), Twips(120, 3510, 3840, 405));
  PushButton4 = Place<QPushButton>(this, QStringLiteral("Load Sample/Example Files"),
                                   Twips(4080, 3510, 3840, 405));
  PushButton2 =
      Place<QPushButton>(this, QStringLiteral("Start Converting"), Twips(120, 4020, 7800, 405));
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setGeometry(Twips(120, 4540, 7800, 375));
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setAccessibleName(QStringLiteral("Progress Bar"));

  // A report list of plain rows: no tree lines, no editing, one row chosen at a time, and a
  // column the user may drag wider than the list.
  ListView1->setRootIsDecorated(false);
  ListView1->setUniformRowHeights(true);
  ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->header()->setStretchLastSection(false);
  ListView1->setHeaderHidden(true);
  ListView1->setToolTip(QStringLiteral(
      "Drag and drop files here. Double-click item to remove it. Move bar to right and out of "
      "window to reveal full names."));
  ListView1->setAcceptDrops(true);
  ListView1->viewport()->setAcceptDrops(true);

  const std::initializer_list<QPushButton*> buttons{
      PushButton3, PushButton8, PushButton1, PushButton5, PushButton7, PushButton4, PushButton2};
  for (QPushButton* button : buttons) {
    button->setFont(shell::ButtonFont());
    button->setAutoDefault(false);
    button->setMouseTracking(true);
    button->installEventFilter(this);
  }
  shell::SetBackgrounds(*this, Qt::white);
  const std::pair<QWidget*, const char*> names[] = {
      {PushButton3, "PushButton3"}, {PushButton8, "PushButton8"}, {ListView1, "ListView1"},
      {PushButton1, "PushButton1"}, {PushButton5, "PushButton5"}, {PushButton7, "PushButton7"},
      {PushButton4, "PushButton4"}, {PushButton2, "PushButton2"}, {ProgressBar1, "ProgressBar1"}};
  for (const auto& [control, name] : names) control->setObjectName(QString::fromLatin1(name));

  // The progress bar, last in the design's order, never takes the focus.
  QWidget* order[] = {ListView1,   PushButton1, PushButton5, PushButton7,
                      PushButton4, PushButton2, PushButton3, PushButton8};
  for (std::size_t at = 1; at < std::size(order); ++at) setTabOrder(order[at - 1], order[at]);

  ListView1->installEventFilter(this);
  ListView1->viewport()->setMouseTracking(true);
  ListView1->viewport()->installEventFilter(this);

  connect(PushButton1, &QPushButton::clicked, this, [this] { PushButton1_Click(); });
  connect(PushButton5, &QPushButton::clicked, this, [this] { PushButton5_Click(); });
  connect(PushButton4, &QPushButton::clicked, this, [this] { PushButton4_Click(); });
  connect(PushButton7, &QPushButton::clicked, this, [this] { PushButton7_Click(); });
  connect(PushButton3, &QPushButton::clicked, this, [this] { PushButton3_Click(); });
  connect(PushButton8, &QPushButton::clicked, this, [this] { PushButton8_Click(); });
  connect(PushButton2, &QPushButton::clicked, this, [this] { PushButton2_Click(); });
}

void Form2::Form_Load() {
  shell::CenterOnScreen(*this, platform_.ScreenGeometry());
  shell::UseFaceColors(*this);
  setWindowTitle(shell::kApplicationTitle);
  setWindowIcon(shell::ApplicationIcon());
  const QString handPath = platform_.ProgramFolder() + QStringLiteral("/HAND-M.CUR");
  if (shell::FileExists(handPath)) pointer_.SetPicture(shell::LoadCursorFile(handPath));
  ListView1->setHeaderLabels({QStringLiteral("Excel File(s)")});
  ListView1->setColumnWidth(0, Twips(0, 0, 7000, 0).width());
  ListView1->setHeaderHidden(false);
}

void Form2::PushButton1_Click() {
  shell::Steps steps = StepsOf(platform_, "PushButton1_Click");
  steps(104, [&] { CommonDialog1.FileName.clear(); });
  steps(106, [&] { CommonDialog1.Flags = kAddFilesFlags; });
  steps(108, [&] {
    CommonDialog1.DialogTitle = QStringLiteral("Add File(s) - Hold Ctrl to select multiple files");
  });
  steps(110, [&] { CommonDialog1.Filter = QStringLiteral("Excel Files (*.xls*)|*.xls*|"); });
  steps(112, [&] { platform_.ShowOpen(CommonDialog1); });
  if (steps.If(114, [&] { return CommonDialog1.FileName.isEmpty(); })) return;
  QStringList pieces;
  steps(116, [&] { pieces = CommonDialog1.FileName.split(QChar(0)); });
  if (steps.If(118, [&] { return pieces.size() == 1; })) {
    // One file: the dialog's full path as it is.
    steps(122, [&] { Append(pieces.value(0)); });
    return;
  }
  for (qsizetype at = 1; at < pieces.size(); ++at) {
    QString path;
    steps(136, [&] { path = pieces[0] + kSeparator + pieces[at]; });
    steps(138, [&] { path = shell::RepairRootSeparator(path); });
    steps(140, [&] { Append(path); });
  }
}

void Form2::PushButton5_Click() {
  shell::Steps steps = StepsOf(platform_, "PushButton5_Click");
  QString extension;
  steps(100, [&] { extension = platform_.InputBox(kExtensionPrompt, QStringLiteral("xl*")); });
  if (steps.If(102, [&] { return extension.isEmpty(); })) return;
  steps(104, [&] { platform_.SaveSetting(QStringLiteral("Extension"), extension); });
  QString folder;
  steps(106, [&] {
    folder = platform_.BrowseForFolder(QStringLiteral("Please select folder to add:"));
  });
  if (steps.If(108, [&] { return folder.isEmpty(); })) return;
  steps(114, [&] { pointer_.Set(shell::WindowPointer::Busy); });
  const QStringList found = AddFolder::SearchFolderTree(
      steps, folder, QStringLiteral("*.") + extension, [this] { platform_.Yield(); });
  for (const QString& path : found) Append(path);
  steps(138, [&] { pointer_.Set(shell::WindowPointer::Default); });
}

void Form2::PushButton4_Click() {
  shell::Steps steps = StepsOf(platform_, "PushButton4_Click");
  const QString samples =
      QDir::toNativeSeparators(platform_.ProgramFolder()) + kSeparator + QStringLiteral("Samples");
  QStringList names;
  steps(100, [&] { names = AddFolder::GetFolderFiles(samples, QStringLiteral("*.*")); });
  for (const QString& name : std::as_const(names))
    steps(104, [&] { Append(samples + kSeparator + name); });
  if (steps.If(106, [&] { return platform_.AskYesNo(kSamplesQuestion); }))
    steps(108, [&] { platform_.OpenFolder(samples + kSeparator); });
}

void Form2::PushButton7_Click() {
  shell::Steps steps = StepsOf(platform_, "PushButton7_Click");
  steps(100, [&] { ListView1->clear(); });
}

void Form2::ListView1_DblClick() { RemoveSelected(); }

void Form2::ListView1_KeyDown(int key) {
  if (key == Qt::Key_Delete) RemoveSelected();
}

bool Form2::ListView1_OLEDragOver(const QMimeData& mime) const {
  const QList<QUrl> urls = mime.urls();
  return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

void Form2::ListView1_OLEDragDrop(const QMimeData& mime) {
  if (!ListView1_OLEDragOver(mime)) return;
  // A path that cannot be examined is reported, and the next one taken.
  shell::Steps steps = StepsOf(platform_, "ListView1_OLEDragDrop");
  for (const QUrl& url : mime.urls()) {
    if (!url.isLocalFile()) continue;
    const QString path = QDir::toNativeSeparators(QDir::cleanPath(url.toLocalFile()));
    bool folder = false;
    if (!steps(100, [&] { folder = IsVisibleFolder(path); })) continue;
    if (!folder) {
      Append(path);
      continue;
    }
    // Each folder is searched by itself, for every file.
    for (const QString& found : AddFolder::SearchFolderTree(steps, path, QStringLiteral("*.*"),
                                                            [this] { platform_.Yield(); }))
      Append(found);
  }
}

void Form2::PushButton3_Click() {
  shell::Steps steps = StepsOf(platform_, "PushButton3_Click");
  // During a run the main window waits: the window closes, and gives it back, when the run ends.
  steps(100, [&] {
    if (!running_) mainWindow_.show();
  });
  steps(102, [&] { close(); });
}

void Form2::PushButton8_Click() {
  shell::Steps steps = StepsOf(platform_, "PushButton8_Click");
  steps(100, [&] {
    platform_.Messages().Show(kHelpText, shell::kStylePlain, shell::kApplicationTitle);
  });
}

void Form2::PushButton2_Click() {
  // The list stays open to changes while the run yields, but one run at a time.
  if (running_) return;
  running_ = true;
  modDBF engine(EngineHost{platform_.Messages(), [] { return true; }, [this] { platform_.Yield(); },
                           shell::kWindowCodePageAdvice});
  Form2Actions::BatchRunHost host{[this] { return entries(); }};
  host.setBusy = [this](bool busy) {
    pointer_.Set(busy ? shell::WindowPointer::Busy : shell::WindowPointer::Default);
  };
  host.yield = [this] { platform_.Yield(); };
  host.setProgress = [this](int value) { ProgressBar1->setValue(value); };
  Form2Actions::RunBatch(engine, platform_.Messages(), host);
  running_ = false;
  if (closeRequested_) close();
}

QStringList Form2::entries() const {
  QStringList paths;
  for (int at = 0; at < ListView1->topLevelItemCount(); ++at)
    paths << ListView1->topLevelItem(at)->text(0);
  return paths;
}

void Form2::Append(const QString& path) { new QTreeWidgetItem(ListView1, QStringList{path}); }

void Form2::RemoveSelected() {
  const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
  if (!selected.isEmpty()) delete selected.first();
}

bool Form2::eventFilter(QObject* watched, QEvent* event) {
  QWidget* const viewport = ListView1->viewport();
  switch (event->type()) {
    case QEvent::MouseMove:
      if (pointer_.state() == shell::WindowPointer::Busy) break;
      if (watched == viewport)
        pointer_.Set(shell::WindowPointer::Default);
      else if (qobject_cast<QPushButton*>(watched))
        pointer_.Set(shell::WindowPointer::Custom);
      break;
    case QEvent::DragEnter:
    case QEvent::DragMove:
      if (watched != viewport) break;
      if (auto* drag = static_cast<QDragMoveEvent*>(event);
          ListView1_OLEDragOver(*drag->mimeData()))
        drag->acceptProposedAction();
      else
        drag->ignore();
      return true;
    case QEvent::Drop:
      if (watched != viewport) break;
      static_cast<QDropEvent*>(event)->acceptProposedAction();
      ListView1_OLEDragDrop(*static_cast<QDropEvent*>(event)->mimeData());
      return true;
    case QEvent::MouseButtonDblClick:
      if (watched != viewport) break;
      ListView1_DblClick();
      return true;
    case QEvent::KeyPress:
      if (watched == ListView1) ListView1_KeyDown(static_cast<QKeyEvent*>(event)->key());
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void Form2::closeEvent(QCloseEvent* event) {
  if (running_) {
    // The run finishes first; the window closes when it has.
    closeRequested_ = true;
    event->ignore();
    return;
  }
  mainWindow_.show();
  event->accept();
}

}  // namespace brelloquin
