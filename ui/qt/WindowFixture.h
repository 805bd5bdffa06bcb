// Test support: a real TfMain, shown offscreen, with scripted dialogs, a
// recorded help entry and a recorded web-page opener.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Main.h"
#include "ScriptedDialogs.h"
#include "StringGrid.h"
#include "WindowScenarios.h"

namespace veltaro::testing_support {

class WindowTest : public ::testing::Test {
 public:
  void SetUp() override;
  void TearDown() override;

  // Creates, shows and activates the window as the program does at start.
  void Start(const std::string& firstArgument, const std::string& programDirectory);
  // Start with a first argument naming a file that does not exist.
  void StartEmpty();

  std::string Dir() const;
  std::string WriteFile(const std::string& name, const std::string& contents) const;
  static std::string ReadFile(const std::string& path);

  void Type(const QString& term);
  void Click(QAbstractButton* button);
  void PressEnter(QWidget* widget);
  // Moves the focus to widget, as a click or Tab would.
  void Focus(QWidget* widget);

  // Opens the editor of a grid cell, types text into it and closes it with
  // Enter, or leaves it open.
  void EditCell(int col, int row, const QString& text, bool leaveOpen = false);

  QStringList Results() const;
  std::vector<TGridRow> GridRows() const;

  TScriptedDialogs dialogs;
  std::unique_ptr<TfMain> window;
  std::vector<std::pair<std::uint16_t, std::int32_t>> helpRequests;
  std::vector<QUrl> openedUrls;
  QTemporaryDir dir;
};

}  // namespace veltaro::testing_support
