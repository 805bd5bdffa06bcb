// The stand-in viewer's help window: one per help file, showing topics of
// the file with their pictures, styles and links.
#pragma once

#include <QTextBrowser>
#include <QWidget>
#include <memory>
#include <string>

#include "ChmArchive.h"

class QToolButton;

namespace veltaro {

// A text browser whose pages, pictures and style sheets come from a help file
// ("chm:" addresses); links to the web open in the desktop's browser when
// clicked, links inside the file are followed here.
class TChmBrowser : public QTextBrowser {
 public:
  TChmBrowser(const TChmArchive& archive, QWidget* parent);
  QVariant loadResource(int type, const QUrl& name) override;

 private:
  void FollowLink(const QUrl& link);
  const TChmArchive& archive_;
};

class THelpWindow : public QWidget {
 public:
  explicit THelpWindow(const std::string& fileName);
  ~THelpWindow() override;

  const std::string& FileName() const { return fileName_; }
  // Shows the topic of a context number, or a "topic not found" page.
  void ShowContext(std::uint32_t context);
  TChmBrowser* Browser() const { return browser_; }

 private:
  void ShowPage(const QString& title, const QString& text);
  void UpdateTitle();

  std::string fileName_;
  TChmArchive archive_;
  TContextMap contexts_;
  TChmBrowser* browser_ = nullptr;
  QToolButton* back_ = nullptr;
  QToolButton* forward_ = nullptr;
};

}  // namespace veltaro
