#include "dialogs/UFindCita.h"

#include <QApplication>
#include <QDateEdit>
#include <QEvent>
#include <QFont>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "app/Help.h"
#include "app/UConfigAgenda.h"
#include "core/Clock.h"
#include "core/Messages.h"
#include "dialogs/CampoFecha.h"
#include "dialogs/ModeloGrid.h"
#include "dialogs/RowIndicator.h"

namespace {
const QString kMsgError =
    QStringLiteral("Se ha producido un error realizando la consulta.\r\nSe vuelve a los resultados anteriores.");

QString CambiarAZ(const QString& T, char16_t desde, char16_t hasta, int delta) {
  QString r = T;
  for (QChar& c : r) {
    if (c.unicode() >= desde && c.unicode() <= hasta) c = QChar(c.unicode() + delta);
  }
  return r;
}
}  // namespace

QString MayusculasAZ(const QString& T) { return CambiarAZ(T, u'a', u'z', 'A' - 'a'); }
QString MinusculasAZ(const QString& T) { return CambiarAZ(T, u'A', u'Z', 'a' - 'A'); }

TfrmFindCita::TfrmFindCita(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("frmFindCita"));
  setWindowTitle(QStringLiteral("Buscar cita"));
  setFont(QFont(QStringLiteral("Arial"), 8));
  Help::SetHelpContext(this, 7);
  setFixedSize(404, 341);

  auto* grpFechas = new QGroupBox(QStringLiteral(" Entre fechas "), this);
  edtDesdeFecha = CrearCampoFecha(grpFechas, QStringLiteral("edtDesdeFecha"));
  edtHastaFecha = CrearCampoFecha(grpFechas, QStringLiteral("edtHastaFecha"));
  auto* lblDesde = new QLabel(QStringLiteral("Desde"), grpFechas);
  lblDesde->setBuddy(edtDesdeFecha);
  auto* lblHasta = new QLabel(QStringLiteral("Hasta"), grpFechas);
  lblHasta->setBuddy(edtHastaFecha);
  auto* fechas = new QHBoxLayout(grpFechas);
  fechas->addWidget(lblDesde);
  fechas->addWidget(edtDesdeFecha);
  fechas->addSpacing(12);
  fechas->addWidget(lblHasta);
  fechas->addWidget(edtHastaFecha);
  fechas->addStretch(1);

  edtTexto = new QLineEdit(this);
  edtTexto->setObjectName(QStringLiteral("edtTexto"));
  edtTexto->setToolTip(
      QStringLiteral("Escriba la palabra o palabras\r\nque desee buscar en el asunto\r\nde las citas."));
  auto* lblTexto = new QLabel(QStringLiteral("Texto"), this);
  lblTexto->setBuddy(edtTexto);
  auto* pnlSup = new QWidget(this);
  pnlSup->setFixedHeight(105);
  auto* sup = new QVBoxLayout(pnlSup);
  sup->addWidget(grpFechas);
  auto* filaTexto = new QHBoxLayout;
  filaTexto->addWidget(lblTexto);
  filaTexto->addWidget(edtTexto, 1);
  sup->addLayout(filaTexto);
  grpFechas->setParent(pnlSup);
  lblTexto->setParent(pnlSup);
  edtTexto->setParent(pnlSup);

  dbgAgenda = new QTableView(this);
  dbgAgenda->setObjectName(QStringLiteral("dbgAgenda"));
  FModelo = new TModeloGrid({{QStringLiteral("Fecha"), Qt::AlignHCenter},
                             {QStringLiteral("Hora"), Qt::AlignHCenter},
                             {QStringLiteral("Asunto"), Qt::AlignLeft}},
                            [this](int fila, int col) -> QString {
                              const Fila& f = FFilas[fila];
                              return col == 0 ? TextoFecha(f.FECHA_INI) : col == 1 ? f.HORA_INI : f.ASUNTO;
                            },
                            this);
  dbgAgenda->setModel(FModelo);
  dbgAgenda->setEditTriggers(QAbstractItemView::NoEditTriggers);
  dbgAgenda->setSelectionBehavior(QAbstractItemView::SelectRows);
  dbgAgenda->setSelectionMode(QAbstractItemView::SingleSelection);
  // The selected row stays highlighted while the focus is in the text field.
  QPalette p = dbgAgenda->palette();
  p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
  p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
  dbgAgenda->setPalette(p);
  new TRowIndicator(dbgAgenda);
  dbgAgenda->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  dbgAgenda->verticalHeader()->setFixedWidth(12);
  QFont titulos = font();
  titulos.setBold(true);
  dbgAgenda->horizontalHeader()->setFont(titulos);
  dbgAgenda->setColumnWidth(0, fontMetrics().horizontalAdvance(TextoFecha(0)) + 12);
  dbgAgenda->setColumnWidth(1, fontMetrics().horizontalAdvance(QStringLiteral("00:00")) + 12);
  dbgAgenda->setColumnWidth(2, 266);
  connect(dbgAgenda, &QTableView::doubleClicked, this, [this] { btnOkClick(); });

  btnOk = new QPushButton(QStringLiteral("Aceptar"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("Cancelar"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setAutoDefault(false);
  auto* inf = new QHBoxLayout;
  inf->addStretch(1);
  inf->addWidget(btnOk);
  inf->addWidget(btnCancel);

  auto* todo = new QVBoxLayout(this);
  todo->setContentsMargins(4, 0, 4, 6);
  todo->addWidget(pnlSup);
  todo->addWidget(dbgAgenda, 1);
  todo->addLayout(inf);

  setTabOrder(edtDesdeFecha, edtHastaFecha);
  setTabOrder(edtHastaFecha, edtTexto);
  setTabOrder(edtTexto, dbgAgenda);
  setTabOrder(dbgAgenda, btnOk);
  setTabOrder(btnOk, btnCancel);

  tmrFind = new QTimer(this);
  tmrFind->setObjectName(QStringLiteral("tmrFind"));
  tmrFind->setInterval(500);
  tmrFind->setSingleShot(true);
  connect(tmrFind, &QTimer::timeout, this, [this] { tmrFindTimer(); });
  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
  for (QWidget* w : {static_cast<QWidget*>(edtDesdeFecha), static_cast<QWidget*>(edtHastaFecha),
                     static_cast<QWidget*>(edtTexto)})
    w->installEventFilter(this);

  if (const QScreen* s = QApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());
  FormCreate();
  connect(edtTexto, &QLineEdit::textChanged, this, [this] { edtTextoChange(); });
}

void TfrmFindCita::FormCreate() {
  qryAgenda.SetFolder(ConfigAgenda.DataPath.toStdString());
  edtTexto->clear();
  PonerCampoFecha(edtDesdeFecha, Clock::Today() - 30);
  PonerCampoFecha(edtHastaFecha, Clock::Today() + 365);
}

void TfrmFindCita::FormShow() {
  edtTexto->setFocus();
  Buscar();
}

void TfrmFindCita::Buscar() {
  dbgAgenda->setUpdatesEnabled(false);
  const std::vector<std::string> anterior = qryAgenda.SQLLines();
  try {
    qryAgenda.Close();
    std::vector<std::string> sql = {"SELECT ID, FECHA_INI, HORA_INI, ASUNTO", "FROM AGENDA.DBF",
                                    "WHERE (FECHA_INI BETWEEN :DESDE AND :HASTA)"};
    const QString T = edtTexto->text();
    if (!T.isEmpty()) {
      // The text goes in as bound values, never into the statement, so a
      // quote or any other character is looked for as typed.
      sql.push_back("AND (UPPER(ASUNTO) LIKE :pTextoMay OR");
      sql.push_back("NOTAS LIKE :pTexto OR");
      sql.push_back("NOTAS LIKE :pTextoMay OR");
      sql.push_back("NOTAS LIKE :pTextoMin)");
    }
    qryAgenda.SetSQL(sql);
    if (!T.isEmpty()) {
      const QString pct = QStringLiteral("%");
      qryAgenda.ParamByName("pTexto").SetAsString((pct + T + pct).toStdString());
      qryAgenda.ParamByName("pTextoMay").SetAsString((pct + MayusculasAZ(T) + pct).toStdString());
      qryAgenda.ParamByName("pTextoMin").SetAsString((pct + MinusculasAZ(T) + pct).toStdString());
    }
    TDate desde = 0, hasta = 0;
    if (!LeerCampoFecha(edtDesdeFecha, desde)) desde = FechaDe(edtDesdeFecha->date());
    if (!LeerCampoFecha(edtHastaFecha, hasta)) hasta = FechaDe(edtHastaFecha->date());
    qryAgenda.ParamByName("DESDE").SetAsDate(desde);
    qryAgenda.ParamByName("HASTA").SetAsDate(hasta);
    qryAgenda.Open();
    std::vector<Fila> filas;
    for (qryAgenda.First(); !qryAgenda.Eof(); qryAgenda.Next()) {
      Fila f;
      f.ID = static_cast<int>(qryAgenda.FieldByName("ID").AsInteger());
      f.FECHA_INI = qryAgenda.FieldByName("FECHA_INI").AsDate();
      f.HORA_INI = QString::fromStdString(qryAgenda.FieldByName("HORA_INI").AsString());
      f.ASUNTO = QString::fromStdString(qryAgenda.FieldByName("ASUNTO").AsString());
      filas.push_back(std::move(f));
    }
    FFilas = std::move(filas);
    FModelo->Recargar(static_cast<int>(FFilas.size()));
    if (!FFilas.empty()) dbgAgenda->selectRow(0);
  } catch (const std::exception&) {
    // The rows of the last search that worked are still listed; the query
    // gets its text back so it describes them.
    ShowError(kMsgError, this);
    qryAgenda.Close();
    qryAgenda.SetSQL(anterior);
  }
  dbgAgenda->setUpdatesEnabled(true);
}

void TfrmFindCita::edtTextoChange() {
  tmrFind->stop();
  QApplication::processEvents();
  tmrFind->start();
  QApplication::processEvents();
}

void TfrmFindCita::tmrFindTimer() {
  tmrFind->stop();
  Buscar();
}

void TfrmFindCita::btnOkClick() {
  const QModelIndex i = dbgAgenda->currentIndex();
  if (FFilas.empty()) {
    FCitaID = -1;
    FCitaFecha = -1;
  } else {
    const Fila& f = FFilas[i.isValid() ? i.row() : 0];
    FCitaID = f.ID;
    FCitaFecha = f.FECHA_INI;
  }
  accept();
}

void TfrmFindCita::btnCancelClick() {
  FCitaID = -1;
  FCitaFecha = -1;
  reject();
}

void TfrmFindCita::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!FMostrado) {
    FMostrado = true;
    FormShow();
  }
}

bool TfrmFindCita::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut &&
      (watched == edtDesdeFecha || watched == edtHastaFecha || watched == edtTexto)) {
    Buscar();
  }
  return QDialog::eventFilter(watched, event);
}
