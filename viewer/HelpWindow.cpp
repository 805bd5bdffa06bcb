#include "HelpWindow.h"

#include <QDesktopServices>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QHBoxLayout>

namespace veltaro {

namespace {

constexpr char kScheme[] = "chm";

QUrl TopicUrl(const std::string& topic) {
  QUrl url;
  url.setScheme(kScheme);
  url.setPath(QString::fromStdString(ObjectName(topic)));
  return url;
}

bool IsExternal(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  return scheme == "http" || scheme == "https" || scheme == "mailto" || scheme == "ftp";
}

}  // namespace

TChmBrowser::TChmBrowser(const TChmArchive& archive, QWidget* parent) : QTextBrowser(parent), archive_(archive) {
  setOpenLinks(false);
  setOpenExternalLinks(false);
  connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) { FollowLink(link); });
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

THelpWindow::THelpWindow(const std::string& fileName) : fileName_(fileName) {
  setObjectName("THelpWindow");
  // Help windows never keep the program running on their own.
  setAttribute(Qt::WA_QuitOnClose, false);
  setAttribute(Qt::WA_DeleteOnClose, true);
  resize(760, 620);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  auto* bar = new QHBoxLayout;
  back_ = new QToolButton(this);
  back_->setObjectName("back");
  back_->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
  back_->setToolTip("Back");
  forward_ = new QToolButton(this);
  forward_->setObjectName("forward");
  forward_->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
  forward_->setToolTip("Forward");
  bar->addWidget(back_);
  bar->addWidget(forward_);
  bar->addStretch();
  layout->addLayout(bar);
  browser_ = new TChmBrowser(archive_, this);
  browser_->setObjectName("topic");
  layout->addWidget(browser_);

  back_->setEnabled(false);
  forward_->setEnabled(false);
  connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
  connect(browser_, &QTextBrowser::sourceChanged, this, [this] { UpdateTitle(); });

  if (archive_.Open(fileName_)) archive_.ContextMap(contexts_);
}

THelpWindow::~THelpWindow() = default;

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
