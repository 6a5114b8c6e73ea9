// Tmailsend: the modal send progress window.
#pragma once

#include <QDialog>

class Tmailsend : public QDialog {
  Q_OBJECT
 public:
  explicit Tmailsend(QWidget* parent = nullptr);
};
