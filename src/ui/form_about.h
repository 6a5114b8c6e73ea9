// TAboutBox: the version window, with the program's icon, name and version
// and two links to its maker.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class TLightLabel;

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  QFrame* Panel1;
  QLabel* ProgramIcon;
  QLabel* ProductName;
  QLabel* Version;
  QLabel* Label1;
  TLightLabel* LightLabel1;
  QLabel* Label2;
  TLightLabel* LightLabel2;
  QLabel* Copyright;
  QPushButton* OKButton;

  static constexpr const char* kMailAddress = "zarvel@example.jp";
  static constexpr const char* kWebPage = "https://www.example.jp/zarvel/";

 protected:
  void showEvent(QShowEvent* event) override;
};
