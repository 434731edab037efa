#pragma once
// Shared fixture of the configuration dialog tests: a data folder with fresh
// tables, the global settings and category list pointing at it, and the
// message box and pickers answered by the test.

#include <QApplication>
#include <QDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "core/Colors.h"
#include "core/Messages.h"
#include "core/Pickers.h"

// Runs act on the next modal dialog of type T once it is on screen (polls the
// event loop, so it works for dialogs opened with exec()).
template <typename T>
void WhenModalOpens(std::function<void(T&)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      if (auto* t = dynamic_cast<T*>(dlg); t && t->isVisible()) {
        timer->stop();
        timer->deleteLater();
        act(*t);
      }
    }
  });
  timer->start();
}

class ConfigDialogTest : public ::testing::Test {
 public:
  // A row of CATEGORIAS: ID, name, colour.
  struct Fila {
    int id;
    QString nombre;
    TColor color;
    bool operator==(const Fila&) const = default;
  };

 protected:
  void SetUp() override;
  void TearDown() override;

  // A second, separate data folder with its own fresh tables.
  QString OtraCarpeta();
  // Appends an appointment with the given ID and category to AGENDA of folder.
  void AddCita(const QString& folder, int id, int tipo);
  // The rows of CATEGORIAS of folder, in ID order.
  std::vector<Fila> FilasCategorias(const QString& folder);
  // Adds a category to the global list and saves it; returns its ID.
  int CategoriaGuardada(const QString& nombre, TColor color);

  QTemporaryDir dir;
  QString folder;  // with a trailing "/"
  std::vector<MessageRequest> messages;
  int answer = mrYes;
  std::vector<ColorRequest> colorRequests;
  TColor colorAnswer = clNone;
  std::vector<FolderRequest> folderRequests;
  QString folderAnswer;

 private:
  std::vector<std::unique_ptr<QTemporaryDir>> others_;
};

std::ostream& operator<<(std::ostream& os, const ConfigDialogTest::Fila& f);
