#pragma once
// TAboutBox: the program's name, version and credits in a small fixed dialog, shown modeless and
// hidden again by OK.

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace veltrix {

inline constexpr const char* kProductName = "Veltrix (Tarvik Edition)";
inline constexpr const char* kVersionText = "Version 2.11";
inline constexpr const char* kCopyrightText = "Copyright (c) 2026 Veltrix contributors";
inline constexpr const char* kCommentsText =
    "Made by the Veltrix contributors. All rights reserved.";

class TAboutBox : public QDialog {
  Q_OBJECT

public:
  explicit TAboutBox(QWidget* parent = nullptr);

  void OKButtonClick();

  QFrame* Panel1;
  QLabel* ProgramIcon;
  QLabel* ProductName;
  QLabel* Version;
  QLabel* Copyright;
  QLabel* Comments;
  QPushButton* OKButton;

  void setVisible(bool visible) override;
};

} // namespace veltrix
