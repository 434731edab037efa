#include "app/VigiaTablas.h"

#include <QFileSystemWatcher>
#include <QTimer>
#include <sys/stat.h>

#include "data/TableFiles.h"

VigiaTablas::VigiaTablas(Aviso aviso, QObject* parent)
    : QObject(parent), aviso_(std::move(aviso)), poll_(new QTimer(this)), pausa_(new QTimer(this)) {
  poll_->setInterval(kPollMs);
  pausa_->setSingleShot(true);
  pausa_->setInterval(kPausaMs);
  connect(poll_, &QTimer::timeout, this, [this] { Comprobar(); });
  connect(pausa_, &QTimer::timeout, this, [this] {
    BuscarFicheros();
    VigilarRutas();
    Comprobar();
  });
}

void VigiaTablas::Vigilar(const QString& carpeta, const QStringList& tablas) {
  carpeta_ = carpeta;
  tablas_ = tablas;
  // A new watcher: the old folder's paths go with the old one.
  delete watcher_;
  watcher_ = new QFileSystemWatcher(this);
  const auto cambio = [this] { pausa_->start(); };
  connect(watcher_, &QFileSystemWatcher::fileChanged, this, cambio);
  connect(watcher_, &QFileSystemWatcher::directoryChanged, this, cambio);
  BuscarFicheros();
  VigilarRutas();
  Asumir();
  if (poll_->interval() > 0) poll_->start();
}

void VigiaTablas::SetPollInterval(int ms) {
  poll_->setInterval(ms);
  if (ms <= 0) poll_->stop();
  else if (!carpeta_.isEmpty()) poll_->start();
}

void VigiaTablas::BuscarFicheros() {
  ficheros_.clear();
  if (carpeta_.isEmpty()) return;
  ++listados_;
  for (const QString& tabla : tablas_) {
    const data::FamilyPaths p = data::FindFamily(carpeta_.toStdString(), tabla.toStdString());
    ficheros_[tabla] = {QString::fromStdString(p.dbf), QString::fromStdString(p.memo),
                        QString::fromStdString(p.foxMemo), QString::fromStdString(p.mdx)};
  }
}

VigiaTablas::Estado VigiaTablas::EstadoDe(const QString& tabla, std::vector<QString>* rutas) const {
  Estado e;
  const auto it = ficheros_.find(tabla);
  if (it == ficheros_.end()) return e;
  for (const QString& ruta : it->second) {
    EstadoFichero f;
    struct stat st {};
    if (::stat(ruta.toLocal8Bit().constData(), &st) == 0) {
      f.existe = true;
      f.inodo = static_cast<unsigned long long>(st.st_ino);
      f.tamano = static_cast<long long>(st.st_size);
      f.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
      if (rutas) rutas->push_back(ruta);
    }
    e.push_back(f);
  }
  return e;
}

void VigiaTablas::VigilarRutas() {
  if (!watcher_ || carpeta_.isEmpty()) return;
  // A path whose file was renamed over or deleted has left the watcher; it
  // is added again once a file of that name is there.
  QStringList rutas{carpeta_};
  for (const QString& tabla : tablas_) {
    std::vector<QString> existentes;
    EstadoDe(tabla, &existentes);
    for (const QString& r : existentes) rutas << r;
  }
  const QStringList ya = watcher_->files() + watcher_->directories();
  QStringList nuevas;
  for (const QString& r : rutas)
    if (!ya.contains(r)) nuevas << r;
  if (!nuevas.isEmpty()) watcher_->addPaths(nuevas);
}

void VigiaTablas::Asumir() {
  conocido_.clear();
  for (const QString& tabla : tablas_) conocido_[tabla] = EstadoDe(tabla);
}

bool VigiaTablas::Desaparecido(const Estado& antes, const Estado& ahora) {
  for (size_t i = 0; i < antes.size() && i < ahora.size(); ++i)
    if (antes[i].existe && !ahora[i].existe) return true;
  return false;
}

void VigiaTablas::Comprobar() {
  // A file gone may be back under a name of another case: the folder is
  // listed once for it, not at every poll while it stays away.
  for (const QString& tabla : tablas_)
    if (Desaparecido(conocido_[tabla], EstadoDe(tabla))) {
      BuscarFicheros();
      break;
    }
  QStringList cambiadas;
  for (const QString& tabla : tablas_) {
    Estado ahora = EstadoDe(tabla);
    Estado& antes = conocido_[tabla];
    if (ahora == antes) continue;
    antes = std::move(ahora);
    cambiadas << tabla;
  }
  if (!cambiadas.isEmpty() && aviso_) aviso_(cambiadas);
}
