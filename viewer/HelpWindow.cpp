#include "HelpWindow.h"

#include <QAbstractItemView>
#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <vector>

#include "HelpPlacement.h"

namespace veltaro {

namespace {

constexpr char kScheme[] = "chm";
// The size a help window asks for; the screen may give it less.
constexpr QSize kPreferredSize(900, 640);
// The side panel's width in a window of the preferred size.
constexpr int kSidePanelWidth = 240;

QUrl TopicUrl(const std::string& topic, const std::string& fragment = {}) {
  QUrl url;
  url.setScheme(kScheme);
  url.setPath(QString::fromStdString(ObjectName(topic)));
  if (!fragment.empty()) url.setFragment(QString::fromStdString(fragment));
  return url;
}

bool IsExternal(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  return scheme == "http" || scheme == "https" || scheme == "mailto" || scheme == "ftp";
}

bool IsTopicName(const std::string& name) {
  const QString lower = QString::fromStdString(name).toLower();
  return lower.endsWith(".htm") || lower.endsWith(".html");
}

constexpr int kLocalRole = Qt::UserRole;

// The toolkit's own tabs with half the room beside their names, so that the
// three tabs of a narrow side panel keep readable names.
class TCompactTabStyle : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    const int value = QProxyStyle::pixelMetric(metric, option, widget);
    return metric == PM_TabBarTabHSpace ? value / 2 : value;
  }
};

}  // namespace

// --- pictures ---------------------------------------------------------------

QImage TSmoothImageHandler::Picture(QTextDocument* document, const QString& name) {
  const auto found = pictures_.constFind(name);
  if (found != pictures_.constEnd()) return *found;
  QImage image;
  if (document) {
    const QVariant resource = document->resource(QTextDocument::ImageResource, QUrl(name));
    if (resource.userType() == QMetaType::QImage) {
      image = resource.value<QImage>();
    } else if (resource.userType() == QMetaType::QPixmap) {
      image = resource.value<QPixmap>().toImage();
    } else if (resource.userType() == QMetaType::QByteArray) {
      image = QImage::fromData(resource.toByteArray());
    }
  }
  pictures_.insert(name, image);
  return image;
}

QSizeF TSmoothImageHandler::intrinsicSize(QTextDocument* document, int, const QTextFormat& format) {
  const QTextImageFormat image = format.toImageFormat();
  const QImage picture = Picture(document, image.name());
  const QSizeF natural = picture.isNull() ? QSizeF(16, 16) : QSizeF(picture.size()) / picture.devicePixelRatio();
  const bool hasWidth = image.hasProperty(QTextFormat::ImageWidth) && image.width() > 0;
  const bool hasHeight = image.hasProperty(QTextFormat::ImageHeight) && image.height() > 0;
  if (hasWidth && hasHeight) return {image.width(), image.height()};
  if (hasWidth) return {image.width(), natural.height() * image.width() / natural.width()};
  if (hasHeight) return {natural.width() * image.height() / natural.height(), image.height()};
  return natural;
}

void TSmoothImageHandler::drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int,
                                     const QTextFormat& format) {
  const QString name = format.toImageFormat().name();
  const QImage picture = Picture(document, name);
  if (picture.isNull() || rect.isEmpty()) return;
  // The picture is scaled once to the pixels it covers on the device, with
  // area averaging, so a large picture shown small stays readable.
  const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
  const QSize pixels = (rect.size() * ratio).toSize().expandedTo(QSize(1, 1));
  const QString key = name + '|' + QString::number(pixels.width()) + 'x' + QString::number(pixels.height());
  auto scaled = scaled_.constFind(key);
  if (scaled == scaled_.constEnd()) {
    QImage image = picture.size() == pixels
                       ? picture
                       : picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(ratio);
    scaled = scaled_.insert(key, image);
  }
  painter->save();
  painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter->drawImage(rect, *scaled);
  painter->restore();
}

void TSmoothImageHandler::Clear() {
  pictures_.clear();
  scaled_.clear();
}

// --- browser ----------------------------------------------------------------

TChmBrowser::TChmBrowser(const TChmArchive& archive, QWidget* parent)
    : QTextBrowser(parent), archive_(archive), pictures_(new TSmoothImageHandler(this)) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  document()->documentLayout()->registerHandler(QTextFormat::ImageObject, pictures_);
  connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) { FollowLink(link); });
}

void TChmBrowser::doSetSource(const QUrl& name, QTextDocument::ResourceType type) {
  pictures_->Clear();
  QTextBrowser::doSetSource(name, type);
  // A new document brings a new layout with the toolkit's own handler.
  document()->documentLayout()->registerHandler(QTextFormat::ImageObject, pictures_);
}

void TChmBrowser::FollowLink(const QUrl& link) {
  if (IsExternal(link)) {
    QDesktopServices::openUrl(link);
    return;
  }
  const QUrl target = source().resolved(link);
  if (target.scheme() == kScheme) setSource(target);
}

QVariant TChmBrowser::loadResource(int type, const QUrl& name) {
  const QUrl url = name.isRelative() ? source().resolved(name) : name;
  if (url.scheme() != kScheme) return {};
  std::string contents;
  if (!archive_.Read(url.path().toStdString(), contents)) return {};
  const QByteArray bytes(contents.data(), static_cast<qsizetype>(contents.size()));
  if (type == QTextDocument::ImageResource) return bytes;
  return QString::fromUtf8(bytes);
}

// --- window -----------------------------------------------------------------

THelpWindow::THelpWindow(const std::string& fileName) : fileName_(fileName) {
  setObjectName("THelpWindow");
  // Help windows never keep the program running on their own.
  setAttribute(Qt::WA_QuitOnClose, false);
  setAttribute(Qt::WA_DeleteOnClose, true);

  if (archive_.Open(fileName_)) {
    archive_.ContextMap(contexts_);
    std::string system;
    if (archive_.Read("/#SYSTEM", system)) ParseHelpSettings(system, settings_);
  }

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  auto* bar = new QHBoxLayout;
  auto tool = [this, bar](const char* name, QStyle::StandardPixmap icon, const QString& tip) {
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setIcon(style()->standardIcon(icon));
    button->setToolTip(tip);
    bar->addWidget(button);
    return button;
  };
  panesButton_ = tool("panes", QStyle::SP_FileDialogListView, "Show or hide the contents, index and search (F9)");
  panesButton_->setCheckable(true);
  panesButton_->setChecked(true);
  back_ = tool("back", QStyle::SP_ArrowBack, "Back (Alt+Left)");
  forward_ = tool("forward", QStyle::SP_ArrowForward, "Forward (Alt+Right)");
  home_ = tool("home", QStyle::SP_DirHomeIcon, "The calculator window (Home)");
  // Words for the buttons whose icons say little by themselves.
  panesButton_->setText("Side panel");
  panesButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  home_->setText("Home");
  home_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  bar->addStretch();
  layout->addLayout(bar);

  splitter_ = new QSplitter(Qt::Horizontal, this);
  splitter_->setObjectName("split");
  splitter_->setChildrenCollapsible(false);
  layout->addWidget(splitter_, 1);

  panes_ = new QTabWidget(splitter_);
  panes_->setObjectName("sidePanel");
  // In a narrow panel every tab stays in view, its name shortened.
  panes_->setUsesScrollButtons(false);
  panes_->setElideMode(Qt::ElideRight);
  auto* tabStyle = new TCompactTabStyle;
  tabStyle->setParent(panes_->tabBar());
  panes_->tabBar()->setStyle(tabStyle);
  contents_ = new QTreeWidget;
  contents_->setObjectName("contents");
  contents_->setHeaderHidden(true);
  contents_->setColumnCount(1);
  panes_->addTab(contents_, "Contents");

  auto* indexPage = new QWidget;
  auto* indexLayout = new QVBoxLayout(indexPage);
  indexLayout->setContentsMargins(2, 2, 2, 2);
  auto* indexLabel = new QLabel("Type the keyword to find:", indexPage);
  indexLabel->setWordWrap(true);
  indexLayout->addWidget(indexLabel);
  indexText_ = new QLineEdit(indexPage);
  indexText_->setObjectName("indexText");
  indexLayout->addWidget(indexText_);
  index_ = new QListWidget(indexPage);
  index_->setObjectName("index");
  indexLayout->addWidget(index_, 1);
  panes_->addTab(indexPage, "Index");

  auto* searchPage = new QWidget;
  auto* searchLayout = new QVBoxLayout(searchPage);
  searchLayout->setContentsMargins(2, 2, 2, 2);
  auto* searchLabel = new QLabel("Type the words to search for:", searchPage);
  searchLabel->setWordWrap(true);
  searchLayout->addWidget(searchLabel);
  searchText_ = new QLineEdit(searchPage);
  searchText_->setObjectName("searchText");
  auto* searchButton = new QPushButton("Search", searchPage);
  searchButton->setObjectName("searchButton");
  // The button goes under the field, so a narrow panel keeps both whole.
  searchLayout->addWidget(searchText_);
  searchLayout->addWidget(searchButton, 0, Qt::AlignRight);
  searchResults_ = new QListWidget(searchPage);
  searchResults_->setObjectName("searchResults");
  searchLayout->addWidget(searchResults_, 1);
  panes_->addTab(searchPage, "Search");
  for (int tab = 0; tab < panes_->count(); ++tab) panes_->setTabToolTip(tab, panes_->tabText(tab));

  auto* page = new QWidget(splitter_);
  auto* pageLayout = new QVBoxLayout(page);
  pageLayout->setContentsMargins(0, 0, 0, 0);
  browser_ = new TChmBrowser(archive_, page);
  browser_->setObjectName("topic");
  // A word wider than the page makes the page scroll; it is never broken.
  browser_->setWordWrapMode(QTextOption::WordWrap);
  pageLayout->addWidget(browser_, 1);

  findBar_ = new QWidget(page);
  findBar_->setObjectName("findBar");
  auto* findLayout = new QHBoxLayout(findBar_);
  findLayout->setContentsMargins(0, 2, 0, 0);
  findLayout->addWidget(new QLabel("Find:", findBar_));
  findText_ = new QLineEdit(findBar_);
  findText_->setObjectName("findText");
  findLayout->addWidget(findText_, 1);
  auto* findPrevious = new QToolButton(findBar_);
  findPrevious->setObjectName("findPrevious");
  findPrevious->setArrowType(Qt::UpArrow);
  findPrevious->setToolTip("Previous (Shift+F3)");
  auto* findNext = new QToolButton(findBar_);
  findNext->setObjectName("findNext");
  findNext->setArrowType(Qt::DownArrow);
  findNext->setToolTip("Next (F3)");
  auto* findClose = new QToolButton(findBar_);
  findClose->setObjectName("findClose");
  findClose->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
  findClose->setToolTip("Close the find bar (Escape)");
  findStatus_ = new QLabel(findBar_);
  findStatus_->setObjectName("findStatus");
  findLayout->addWidget(findPrevious);
  findLayout->addWidget(findNext);
  findLayout->addWidget(findStatus_);
  findLayout->addWidget(findClose);
  findBar_->hide();
  pageLayout->addWidget(findBar_);

  splitter_->addWidget(panes_);
  splitter_->addWidget(page);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  sideWidth_ = kSidePanelWidth;
  splitter_->setSizes({sideWidth_, kPreferredSize.width() - sideWidth_});
  connect(splitter_, &QSplitter::splitterMoved, this, [this] {
    sideWidth_ = splitter_->sizes().value(0, sideWidth_);
    sideMoved_ = true;
  });

  auto key = [this](const char* name, const QKeySequence& sequence, auto slot) {
    auto* action = new QAction(this);
    action->setObjectName(name);
    action->setShortcut(sequence);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, slot);
    addAction(action);
  };
  key("findAction", QKeySequence(Qt::CTRL | Qt::Key_F), [this] { ShowFindBar(); });
  key("findNextAction", QKeySequence(Qt::Key_F3), [this] { Find(false); });
  key("findPreviousAction", QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { Find(true); });
  key("escapeAction", QKeySequence(Qt::Key_Escape), [this] { Escape(); });
  key("homeAction", QKeySequence(Qt::Key_Home), [this] { ShowHome(); });
  key("backAction", QKeySequence(Qt::ALT | Qt::Key_Left), [this] { browser_->backward(); });
  key("forwardAction", QKeySequence(Qt::ALT | Qt::Key_Right), [this] { browser_->forward(); });
  key("panesAction", QKeySequence(Qt::Key_F9), [this] { SetPanesVisible(panes_->isHidden()); });

  back_->setEnabled(false);
  forward_->setEnabled(false);
  connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
  connect(home_, &QToolButton::clicked, this, [this] { ShowHome(); });
  connect(panesButton_, &QToolButton::toggled, this, [this](bool on) { SetPanesVisible(on); });
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
  connect(browser_, &QTextBrowser::sourceChanged, this, [this](const QUrl& shown) {
    UpdateTitle();
    FollowInContents(shown);
  });

  auto openItem = [this](QListWidgetItem* item) {
    if (item && (item->flags() & Qt::ItemIsEnabled)) OpenLocal(item->data(kLocalRole).toString().toStdString());
  };
  connect(contents_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { OpenLocal(item->data(0, kLocalRole).toString().toStdString()); });
  connect(contents_, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { OpenLocal(item->data(0, kLocalRole).toString().toStdString()); });
  connect(index_, &QListWidget::itemClicked, this, openItem);
  connect(index_, &QListWidget::itemActivated, this, openItem);
  connect(indexText_, &QLineEdit::textEdited, this, [this](const QString& text) { SelectIndexEntry(text); });
  connect(indexText_, &QLineEdit::returnPressed, this, [this, openItem] { openItem(index_->currentItem()); });
  auto openFound = [this](QListWidgetItem* item) {
    if (item && (item->flags() & Qt::ItemIsEnabled)) OpenFound(item->data(kLocalRole).toString().toStdString());
  };
  connect(searchResults_, &QListWidget::itemClicked, this, openFound);
  connect(searchResults_, &QListWidget::itemActivated, this, openFound);
  connect(searchText_, &QLineEdit::returnPressed, this, [this] { RunSearch(); });
  connect(searchButton, &QPushButton::clicked, this, [this] { RunSearch(); });
  connect(findText_, &QLineEdit::returnPressed, this, [this] { Find(false); });
  connect(findText_, &QLineEdit::textEdited, this, [this] { findStatus_->clear(); });
  connect(findNext, &QToolButton::clicked, this, [this] { Find(false); });
  connect(findPrevious, &QToolButton::clicked, this, [this] { Find(true); });
  connect(findClose, &QToolButton::clicked, this, [this] {
    findBar_->hide();
    browser_->setFocus();
  });

  BuildContents();
  BuildIndex();
  BuildSearch();
  resize(kPreferredSize);
}

THelpWindow::~THelpWindow() = default;

void THelpWindow::BuildContents() {
  std::string text;
  if (settings_.contentsFile.empty() || !archive_.Read(settings_.contentsFile, text)) return;
  // The last item of each depth, to hang deeper entries under.
  std::vector<QTreeWidgetItem*> parents;
  for (const TSitemapEntry& entry : ParseSitemap(text)) {
    const auto depth = static_cast<std::size_t>(std::min<int>(entry.depth, static_cast<int>(parents.size())));
    parents.resize(depth);
    QTreeWidgetItem* item = depth == 0 ? new QTreeWidgetItem(contents_) : new QTreeWidgetItem(parents.back());
    item->setText(0, QString::fromStdString(entry.name));
    item->setData(0, kLocalRole, QString::fromStdString(entry.local));
    parents.push_back(item);
  }
  contents_->expandAll();
}

void THelpWindow::BuildIndex() {
  std::string text;
  if (settings_.indexFile.empty() || !archive_.Read(settings_.indexFile, text)) return;
  for (const TSitemapEntry& entry : ParseSitemap(text)) {
    auto* item = new QListWidgetItem(QString(entry.depth * 4, ' ') + QString::fromStdString(entry.name), index_);
    item->setData(kLocalRole, QString::fromStdString(entry.local));
  }
}

void THelpWindow::BuildSearch() {
  for (std::size_t i = 0; i < archive_.ObjectCount(); ++i) {
    const std::string name = archive_.ObjectNameAt(i);
    std::string html;
    if (!IsTopicName(name) || !archive_.Read(name, html)) continue;
    TTopicText text = ExtractTopicText(html);
    search_.Add(name, std::move(text.title), text.text);
  }
}

void THelpWindow::OpenLocal(const std::string& local) {
  if (local.empty()) return;
  const TLinkTarget target = ResolveLink("/", local);
  if (target.external) return;
  if (!archive_.Contains(target.object)) {
    const QString file = QString::fromStdString(fileName_).toHtmlEscaped();
    ShowPage("Topic not found", "<h1>Topic not found</h1><p>The help file <b>" + file + "</b> has no topic " +
                                    QString::fromStdString(target.object).toHtmlEscaped() + ".</p>");
    return;
  }
  browser_->setSource(TopicUrl(target.object, target.fragment), QTextDocument::HtmlResource);
  UpdateTitle();
}

void THelpWindow::ShowHome() {
  if (!settings_.defaultTopic.empty()) {
    OpenLocal(settings_.defaultTopic);
    return;
  }
  const auto window = contexts_.find(1);
  if (window != contexts_.end()) OpenLocal(window->second);
}

void THelpWindow::SelectIndexEntry(const QString& text) {
  const QString wanted = text.trimmed();
  if (wanted.isEmpty()) return;
  for (int row = 0; row < index_->count(); ++row) {
    QListWidgetItem* item = index_->item(row);
    if (item->text().trimmed().startsWith(wanted, Qt::CaseInsensitive)) {
      index_->setCurrentItem(item);
      index_->scrollToItem(item, QAbstractItemView::PositionAtTop);
      return;
    }
  }
}

void THelpWindow::RunSearch() {
  searchResults_->clear();
  const std::string query = searchText_->text().toStdString();
  const std::vector<std::size_t> found = search_.Find(query);
  for (const std::size_t t : found) {
    const TSearchIndex::TTopic& topic = search_.Topic(t);
    QString title = QString::fromStdString(topic.title);
    if (title.isEmpty()) title = QString::fromStdString(topic.object);
    auto* item = new QListWidgetItem(title, searchResults_);
    item->setData(kLocalRole, QString::fromStdString(topic.object));
  }
  if (found.empty()) {
    auto* item = new QListWidgetItem(searchText_->text().trimmed().isEmpty() ? "Type one or more words."
                                                                             : "No topic holds all these words.",
                                     searchResults_);
    item->setFlags(Qt::NoItemFlags);
  }
}

void THelpWindow::OpenFound(const std::string& object) {
  OpenLocal(object);
  const std::string text = browser_->document()->toPlainText().toStdString();
  std::size_t start = 0;
  std::size_t length = 0;
  if (!FirstSearchPlace(text, searchText_->text().toStdString(), start, length)) return;
  // From bytes of UTF-8 to the page's characters.
  const auto from = QString::fromUtf8(text.data(), static_cast<qsizetype>(start)).size();
  const auto size = QString::fromUtf8(text.data() + start, static_cast<qsizetype>(length)).size();
  QTextCursor place(browser_->document());
  place.setPosition(static_cast<int>(from));
  place.setPosition(static_cast<int>(from + size), QTextCursor::KeepAnchor);
  browser_->setTextCursor(place);
  browser_->ensureCursorVisible();
}

void THelpWindow::FollowInContents(const QUrl& shown) {
  if (shown.scheme() != kScheme) return;
  const std::string object = shown.path().toStdString();
  const std::string fragment = shown.fragment().toStdString();
  QTreeWidgetItem* topic = nullptr;  // the first entry of the topic
  QTreeWidgetItem* part = nullptr;   // the entry of the very part shown
  for (QTreeWidgetItemIterator it(contents_); *it && !part; ++it) {
    const TLinkTarget target = ResolveLink("/", (*it)->data(0, kLocalRole).toString().toStdString());
    if (target.external || QString::fromStdString(target.object).compare(QString::fromStdString(object),
                                                                          Qt::CaseInsensitive) != 0) {
      continue;
    }
    if (!topic && target.fragment.empty()) topic = *it;
    if (!fragment.empty() && target.fragment == fragment) part = *it;
  }
  QTreeWidgetItem* entry = part ? part : topic;
  if (!entry) return;
  const QSignalBlocker blocker(contents_);
  contents_->setCurrentItem(entry);
  contents_->scrollToItem(entry);
}

void THelpWindow::ShowFindBar() {
  findBar_->show();
  findText_->setFocus(Qt::ShortcutFocusReason);
  findText_->selectAll();
}

void THelpWindow::Find(bool backward) {
  if (findBar_->isHidden()) {
    ShowFindBar();
    return;
  }
  const QString text = findText_->text();
  if (text.isEmpty()) return;
  const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
  bool found = browser_->find(text, flags);
  if (!found) {
    // Once past the last place, the search starts over from the other end.
    QTextCursor cursor = browser_->textCursor();
    cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    browser_->setTextCursor(cursor);
    found = browser_->find(text, flags);
  }
  findStatus_->setText(found ? QString() : QString("Not found"));
}

void THelpWindow::Escape() {
  QWidget* focus = QApplication::focusWidget();
  if (findBar_->isVisible() && focus && findBar_->isAncestorOf(focus)) {
    findBar_->hide();
    browser_->setFocus();
    return;
  }
  close();
}

void THelpWindow::SetPanesVisible(bool visible) {
  panes_->setVisible(visible);
  if (visible) FitSidePanel();
  const QSignalBlocker blocker(panesButton_);
  panesButton_->setChecked(visible);
}

void THelpWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FitSidePanel();
}

void THelpWindow::FitSidePanel() {
  if (!panes_->isVisibleTo(this)) return;
  const int room = splitter_->width() - splitter_->handleWidth();
  if (room <= 0) return;
  const int side = std::min(sideWidth_, sideMoved_ ? room / 2 : room / 3);
  const QSignalBlocker blocker(splitter_);
  splitter_->setSizes({side, room - side});
}

namespace {

// Where a person types and reads in a window: its visible text fields and
// text views, apart from the editors that item views open in their cells.
QRect TextArea(const QWidget* window) {
  QRect area;
  for (const QWidget* child : window->findChildren<QWidget*>()) {
    if (!child->isVisible() || !(qobject_cast<const QLineEdit*>(child) || qobject_cast<const QPlainTextEdit*>(child) ||
                                 qobject_cast<const QTextEdit*>(child))) {
      continue;
    }
    bool inCell = false;
    for (const QWidget* up = child->parentWidget(); up && up != window; up = up->parentWidget()) {
      if (qobject_cast<const QAbstractItemView*>(up)) inCell = true;
    }
    if (!inCell) area |= QRect(child->mapToGlobal(QPoint(0, 0)), child->size());
  }
  return area;
}

}  // namespace

void THelpWindow::Place(const QWidget* caller) {
  QScreen* screen = caller ? caller->screen() : nullptr;
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect callerFrame;
  QRect keep;
  QMargins frame;
  if (caller && caller->isVisible()) {
    callerFrame = caller->frameGeometry();
    keep = TextArea(caller) & callerFrame;
    const QRect inner = caller->geometry();
    // A help window gets a frame like the program's window.
    frame = QMargins(inner.left() - callerFrame.left(), inner.top() - callerFrame.top(),
                     callerFrame.right() - inner.right(), callerFrame.bottom() - inner.bottom());
  }
  const QRect place = PlaceHelpWindow(screen->availableGeometry(), callerFrame, kPreferredSize, frame, keep);
  setGeometry(place);
}

void THelpWindow::ShowContext(std::uint32_t context) {
  const QString file = QString::fromStdString(fileName_).toHtmlEscaped();
  if (!archive_.IsOpen()) {
    ShowPage("Help file not found",
             "<h1>Help file not found</h1><p>The help file <b>" + file + "</b> cannot be opened.</p>");
    return;
  }
  const auto found = contexts_.find(context);
  // A topic that is listed but cannot be read (a damaged file) is no topic.
  std::string topic;
  if (found == contexts_.end() || !archive_.Read(found->second, topic)) {
    ShowPage("Topic not found", "<h1>Topic not found</h1><p>The help file <b>" + file +
                                    "</b> has no topic for the context number " + QString::fromStdString(std::to_string(context)) +
                                    ".</p>");
    return;
  }
  browser_->setSource(TopicUrl(found->second), QTextDocument::HtmlResource);
  UpdateTitle();
}

void THelpWindow::ShowPage(const QString& title, const QString& text) {
  browser_->setHtml("<html><head><title>" + title + "</title></head><body>" + text + "</body></html>");
  UpdateTitle();
}

void THelpWindow::UpdateTitle() {
  const QString title = browser_->documentTitle();
  setWindowTitle(title.isEmpty() ? QString::fromStdString(fileName_) : title);
}

}  // namespace veltaro
