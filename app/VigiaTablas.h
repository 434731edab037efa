#pragma once
// Watches the files of some tables in a data folder and tells when a table
// changed under the program: another copy, another dBase tool or files copied
// in. A table's state is the identity, size and modification time of each of
// its files (.DBF, memo, .MDX), found whatever the case of their names. The
// file system's change reports are used where it gives them; a poll every
// few seconds catches what network shares never report. A file replaced by a
// rename (a rebuild, a copy) is watched again under its name.
//
// Nothing here reads a table: a change is only told, once per state seen,
// after a short pause that gathers the many writes of one store. The poll
// only looks at the files found before; the folder is listed again for their
// names after a report of the file system, or when one of them is gone.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <vector>

class QFileSystemWatcher;
class QTimer;

class VigiaTablas : public QObject {
 public:
  // Gets the names (as given to Vigilar) of the tables that changed.
  using Aviso = std::function<void(const QStringList& tablas)>;

  explicit VigiaTablas(Aviso aviso, QObject* parent = nullptr);

  // Starts watching the tables (names without extension, any case) of the
  // folder, taking their files as they are now as known.
  void Vigilar(const QString& carpeta, const QStringList& tablas);
  const QString& Carpeta() const { return carpeta_; }

  // Takes the files as they are now as known: the caller has just read
  // them. Not for after a store of the program's own: the files may hold
  // another program's change made just before it, which nothing would tell.
  void Asumir();
  // Compares the files with the known state now and tells what changed.
  void Comprobar();

  // Milliseconds between polls; 0 polls never (the change reports alone).
  void SetPollInterval(int ms);
  // How many times the folder was listed for the tables' files.
  int Listados() const { return listados_; }

  static constexpr int kPollMs = 2000;
  static constexpr int kPausaMs = 150;

 private:
  struct EstadoFichero {
    bool existe = false;
    unsigned long long inodo = 0;
    long long tamano = 0;
    long long mtimeNs = 0;
    bool operator==(const EstadoFichero&) const = default;
  };
  using Estado = std::vector<EstadoFichero>;

  // Finds each table's files in the folder, whatever the case of their names.
  void BuscarFicheros();
  Estado EstadoDe(const QString& tabla, std::vector<QString>* rutas = nullptr) const;
  static bool Desaparecido(const Estado& antes, const Estado& ahora);
  // Watches the folder and every file of the tables that exists now.
  void VigilarRutas();

  Aviso aviso_;
  QString carpeta_;
  QStringList tablas_;
  std::map<QString, Estado> conocido_;
  std::map<QString, std::vector<QString>> ficheros_;  // the files found, by table
  int listados_ = 0;
  QFileSystemWatcher* watcher_ = nullptr;
  QTimer* poll_;
  QTimer* pausa_;
};
