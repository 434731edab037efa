#pragma once
#include <QMainWindow>

class TfrmAgenda : public QMainWindow {
  Q_OBJECT
 public:
  explicit TfrmAgenda(QWidget* parent = nullptr);
};
