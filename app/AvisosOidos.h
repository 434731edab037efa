#pragma once
// The change notices heard lately, so that a notice arriving more than once
// (by loopback and by the local network) is taken once. A flood of different
// notices does not make it grow without end: at kMaximo entries the expired
// ones go, and all of them when none has expired yet (a notice then taken
// twice costs one more reload, and reloads are spaced anyway).
#include <QHash>
#include <QString>
#include <iterator>

class AvisosOidos {
 public:
  static constexpr qint64 kVigenciaMs = 10000;  // heard again this soon, the same notice
  static constexpr int kMaximo = 256;

  // True unless `clave` was heard within kVigenciaMs before `ahora`.
  bool Nuevo(const QString& clave, qint64 ahora) {
    const auto it = oidos_.constFind(clave);
    if (it != oidos_.constEnd() && ahora - it.value() <= kVigenciaMs) return false;
    if (oidos_.size() >= kMaximo) {
      for (auto i = oidos_.begin(); i != oidos_.end();)
        i = ahora - i.value() > kVigenciaMs ? oidos_.erase(i) : std::next(i);
      if (oidos_.size() >= kMaximo) oidos_.clear();
    }
    oidos_.insert(clave, ahora);
    return true;
  }
  int Size() const { return static_cast<int>(oidos_.size()); }

 private:
  QHash<QString, qint64> oidos_;
};
