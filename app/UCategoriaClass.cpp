#include "app/UCategoriaClass.h"

#include "app/UConfigAgenda.h"
#include "core/Messages.h"
#include "data/Table.h"

std::unique_ptr<TCategorias> Categorias;

namespace {
const char* const kTabla = "CATEGORIAS.DBF";

void EscribirFila(data::Table& t, const TCategoria& c) {
  t.FieldByName("ID").SetAsInteger(c.ID);
  t.FieldByName("CATEGORIA").SetAsString(c.Nombre.toStdString());
  t.FieldByName("COLOR").SetAsInteger(c.Color);
  t.Post();
}

// Closes the table however the block is left.
struct CloseOnExit {
  data::Table& t;
  ~CloseOnExit() {
    if (t.Active()) t.Close();
  }
};
}  // namespace

TCategorias::TCategorias() : tabla_(std::make_unique<data::Table>()) {}
TCategorias::~TCategorias() = default;

void TCategorias::Cargar() {
  ++carga_;
  actuales_.clear();
  quitadas_.clear();
  carpeta_ = ConfigAgenda.DataPath;
  tabla_->SetFolder(carpeta_.toStdString());
  tabla_->SetTableName(kTabla);
  tabla_->Open();
  CloseOnExit closer{*tabla_};
  tabla_->SetIndexName("ID");
  for (tabla_->First(); !tabla_->Eof(); tabla_->Next()) {
    auto c = std::make_unique<TCategoria>();
    c->ID = static_cast<int>(tabla_->FieldByName("ID").AsInteger());
    c->Nombre = QString::fromStdString(tabla_->FieldByName("CATEGORIA").AsString());
    c->Color = static_cast<TColor>(tabla_->FieldByName("COLOR").AsInteger());
    actuales_.push_back(std::move(c));
  }
}

void TCategorias::Guardar() {
  tabla_->SetFolder((carpeta_.isEmpty() ? ConfigAgenda.DataPath : carpeta_).toStdString());
  tabla_->SetTableName(kTabla);
  tabla_->Open();
  CloseOnExit closer{*tabla_};
  tabla_->SetIndexName("ID");
  for (const auto& c : quitadas_) {
    if (c->ID >= 0 && tabla_->FindKey(c->ID)) tabla_->Delete();
  }
  for (const auto& c : actuales_) {
    // A category whose row vanished (deleted by another copy) is stored anew
    // rather than written over whatever row the cursor is on.
    if (c->ID == -1 || !tabla_->FindKey(c->ID)) {
      if (c->ID == -1) {
        tabla_->Last();
        c->ID = tabla_->IsEmpty() ? 1 : static_cast<int>(tabla_->FieldByName("ID").AsInteger()) + 1;
      }
      tabla_->Append();
    } else {
      tabla_->Edit();
    }
    EscribirFila(*tabla_, *c);
  }
  tabla_->FlushBuffers();
}

TCategoria* TCategorias::Nueva() {
  actuales_.push_back(std::make_unique<TCategoria>());
  return actuales_.back().get();
}

int TCategorias::Count() const { return static_cast<int>(actuales_.size()); }

TCategoria* TCategorias::CategoriaEn(int Indice) const {
  return Indice >= 0 && Indice < Count() ? actuales_[Indice].get() : nullptr;
}

TColor TCategorias::ColorDeIndice(int Indice) const {
  const TCategoria* c = CategoriaEn(Indice);
  return c ? c->Color : clWindow;
}

TCategoria* TCategorias::BuscarID(int ID) const { return CategoriaEn(IndiceDeID(ID)); }

int TCategorias::IndiceDeID(int ID) const {
  for (int i = 0; i < Count(); ++i)
    if (actuales_[i]->ID == ID) return i;
  return -1;
}

void TCategorias::QuitarIndice(int Indice) {
  if (Indice < 0 || Indice >= Count()) return;
  quitadas_.push_back(std::move(actuales_[Indice]));
  actuales_.erase(actuales_.begin() + Indice);
}

void TCategorias::Quitar(TCategoria* Cat) {
  for (int i = 0; i < Count(); ++i) {
    if (actuales_[i].get() == Cat) return QuitarIndice(i);
  }
}

bool CrearTablaCategorias(const QString& Carpeta) {
  const QString folder = Carpeta.isEmpty() ? ConfigAgenda.DataPath : Carpeta;
  try {
    data::Table t(folder.toStdString(), kTabla);
    t.Create(CategoriasFieldDefs(), CategoriasIndexDefs());
    t.Open();
    CloseOnExit closer{t};
    t.Append();
    EscribirFila(t, TCategoria{0, QStringLiteral("Normal"), kColorNormal});
    t.FlushBuffers();
    return true;
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("No se pudo crear la tabla\r\n") + folder + QLatin1String(kTabla) +
              QStringLiteral("\r\n") + QString::fromStdString(e.what()));
    return false;
  }
}

TColor ColorCategoria(int ID) {
  const TCategoria* c = Categorias ? Categorias->BuscarID(ID) : nullptr;
  return c ? c->Color : clWindow;
}

void NombresCategorias(QStringList& Lista) {
  if (!Categorias) return;
  for (int i = 0; i < Categorias->Count(); ++i) Lista << Categorias->CategoriaEn(i)->Nombre;
}
