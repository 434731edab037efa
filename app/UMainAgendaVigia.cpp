// Other copies' changes reach the view: their change notices are heard on
// the mailslot, and the data folder's tables are watched for what programs
// that send no notice change. Either reloads the shown range once nothing
// the user is doing would be disturbed.
#include <QTimer>

#include "app/ALMailSlot.h"
#include "app/AvisoCambio.h"
#include "app/UCategoriaClass.h"
#include "app/UConfigAgenda.h"
#include "app/UMainAgenda.h"
#include "app/VigiaTablas.h"
#include "calendar/RBCalendar.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "data/Table.h"
#include "timeview/RBTimeView.h"

namespace {
const QString kAgenda = QStringLiteral("AGENDA");
const QString kCategorias = QStringLiteral("CATEGORIAS");
constexpr int kPollAvisosMs = 100;     // how often the mailslot is looked at
constexpr int kReintentoMs = 250;      // a reload waiting for the user, tried again
constexpr int kEntreRecargasMs = 250;  // at least this between two reloads, however many notices come
constexpr int kPropiosGuardados = 16;  // own notices remembered

// The days of a change notice ("yyyymmddhhnnss" "RFS" yyyymmdd yyyymmdd);
// false for anything else.
bool DiasDeAviso(const QString& linea, TDate& desde, TDate& hasta) {
  if (linea.size() != 33 || linea.mid(14, 3) != QLatin1String("RFS")) return false;
  const auto fecha = [&linea](int at, TDate& out) {
    bool okY = false, okM = false, okD = false;
    const int y = linea.mid(at, 4).toInt(&okY), m = linea.mid(at + 4, 2).toInt(&okM),
              d = linea.mid(at + 6, 2).toInt(&okD);
    return okY && okM && okD && dt::TryEncodeDate(y, m, d, out);
  };
  return fecha(17, desde) && fecha(25, hasta) && desde <= hasta;
}
}  // namespace

void TfrmAgenda::IniciarVigia() {
  if (Vigia) return;
  tmrRecarga = new QTimer(this);
  tmrRecarga->setObjectName(QStringLiteral("tmrRecarga"));
  tmrRecarga->setSingleShot(true);
  connect(tmrRecarga, &QTimer::timeout, this, &TfrmAgenda::tmrRecargaTimer);
  Vigia = new VigiaTablas(
      [this](const QStringList& tablas) { PedirRecarga(tablas.contains(kCategorias)); }, this);
  // Every copy on this computer listens side by side.
  MailSlot->SetShared(true);
  MailSlot->SetCheckInterval(kPollAvisosMs);
  MailSlot->OnNewMessage = [this](TALMailSlot* s, const QString& c, const QString& u, const QString& t) {
    MailSlotNewMessage(s, c, u, t);
  };
  AjustarVigia();
  MailSlot->SetActive(true);
}

void TfrmAgenda::AjustarVigia() {
  if (!Vigia) return;
  MailSlot->SetReachNetwork(ConfigAgenda.NotifyNetwork);
  if (Vigia->Carpeta() != ConfigAgenda.DataPath) Vigia->Vigilar(ConfigAgenda.DataPath, {kAgenda, kCategorias});
}

void TfrmAgenda::DifundirAviso(const QString& Sellado) {
  avisosPropios_ << Sellado;
  while (avisosPropios_.size() > kPropiosGuardados) avisosPropios_.removeFirst();
  // The files changed by this window's own store are told by the watcher
  // all the same: one reload, which also brings in whatever another program
  // wrote just before (taking the files as known here would hide it).
  MailSlot->Broadcast(Sellado);
}

// A notice is this window's own when it carries the text of one it sent
// (each of its stamps is used once); the same notice may arrive more than
// once, by loopback and by the local network.
void TfrmAgenda::MailSlotNewMessage(TALMailSlot*, const QString& Computer, const QString& UserName,
                                    const QString& Text) {
  const QString linea = SplitLines(Text).value(0);
  TDate desde = 0, hasta = 0;
  if (!DiasDeAviso(linea, desde, hasta)) return;
  if (Computer == MailSlot->ComputerName() && UserName == MailSlot->UserName() &&
      avisosPropios_.contains(linea))
    return;
  if (!avisosOidos_.Nuevo(Computer + u'\n' + UserName + u'\n' + linea, Clock::TickMs())) return;
  if (hasta < Calendar->StartDay() || desde > Calendar->EndDay()) return;
  PedirRecarga(false);
}

// Files that are gone for now (deleted, a share away) leave the open ones
// in use: closing would leave nothing to read. A reopening that failed (the
// new files were still being put in place) is tried again at the next reload.
void TfrmAgenda::ReabrirAgendaSustituida() {
  if (tblAgenda->Active()) {
    if (!tblAgenda->FilesReplaced() || !tblAgenda->Exists()) return;
    tblAgenda->Close();
    agendaPorReabrir_ = true;
  }
  if (!agendaPorReabrir_) return;
  AbrirTablaAgenda();
  agendaPorReabrir_ = !tblAgenda->Active();
}

void TfrmAgenda::PedirRecarga(bool Categorias) {
  recargaCategorias_ = recargaCategorias_ || Categorias;
  if (tmrRecarga->isActive()) return;
  const long long desde = Clock::TickMs() - ultimaRecarga_;
  tmrRecarga->start(ultimaRecarga_ > 0 && desde < kEntreRecargasMs ? static_cast<int>(kEntreRecargasMs - desde) : 0);
}

void TfrmAgenda::tmrRecargaTimer() {
  if (VistaOcupada()) {
    tmrRecarga->start(kReintentoMs);
    return;
  }
  const bool categorias = recargaCategorias_;
  recargaCategorias_ = false;
  ultimaRecarga_ = Clock::TickMs();
  // What the files hold now is what this reload reads: a change the watcher
  // is about to tell of is in it already.
  Vigia->Asumir();
  const TRBTimeViewItem* sel = TimeView->SelectedItem();
  const bool habiaSeleccion = sel != nullptr;
  const int id = sel ? sel->ItemID() : 0;
  const int scroll = TimeView->VScrollPosition();
  if (categorias && Categorias) {
    try {
      Categorias->Cargar();
    } catch (const std::exception& e) {
      ShowError(QStringLiteral("No se pudieron leer las categorías.\r\n") + QString::fromStdString(e.what()), this);
    }
  }
  ReabrirAgendaSustituida();
  CargarCitas(Calendar->StartDay(), Calendar->EndDay());
  if (habiaSeleccion) TimeView->SetSelectedItem(ItemDeID(id));
  TimeView->SetVScrollPosition(scroll);
  TimeView->update();
  Calendar->update();
}
