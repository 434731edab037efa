// The main window's actions, toolbar and menus.
#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include "app/Iconos.h"
#include "app/UMainAgenda.h"
#include "timeview/RBTimeView.h"

namespace {
// Actions without a tooltip of their own: Qt would show their caption.
const char* const kSinTooltip = "sinTooltip";

// Keeps a tool button from showing the tooltip Qt makes up from its caption.
class SinTooltip : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::ToolTip; }
};

QAction* Accion(QWidget* owner, const char* name, const char* caption, const char* toolbarCaption,
                const char* tooltip, const QKeySequence& shortcut) {
  auto* a = new QAction(QString::fromUtf8(caption), owner);
  a->setObjectName(QLatin1String(name));
  a->setIconText(QString::fromUtf8(toolbarCaption));
  if (tooltip) a->setToolTip(QString::fromUtf8(tooltip));
  else a->setProperty(kSinTooltip, true);
  if (!shortcut.isEmpty()) a->setShortcut(shortcut);
  owner->addAction(a);  // shortcuts work with or without the menus
  return a;
}

// A menu entry with its own caption that runs an action.
QAction* EntradaDe(QMenu* menu, const char* name, const char* caption, QAction* action) {
  QAction* e = menu->addAction(QString::fromUtf8(caption));
  e->setObjectName(QLatin1String(name));
  QObject::connect(e, &QAction::triggered, action, &QAction::trigger);
  return e;
}

QAction* EntradaEscala(QMenu* menu, const char* name, const char* caption) {
  QAction* e = menu->addAction(QString::fromUtf8(caption));
  e->setObjectName(QLatin1String(name));
  e->setCheckable(true);
  return e;
}
}  // namespace

void TfrmAgenda::CrearAcciones() {
  acNew = Accion(this, "acNew", "&Nuevo", "Nuevo", "Nueva cita", QKeySequence(Qt::CTRL | Qt::Key_N));
  acEdit = Accion(this, "acEdit", "&Editar", "Editar", "Editar cita", QKeySequence(Qt::Key_F2));
  acDel = Accion(this, "acDel", "&Borrar", "Borrar", nullptr, QKeySequence(Qt::Key_Delete));
  acFind = Accion(this, "acFind", "B&uscar", "Buscar", "Buscar citas", QKeySequence(Qt::Key_F6));
  acPrint = Accion(this, "acPrint", "Im&primir", "Imprimir", nullptr, QKeySequence(Qt::CTRL | Qt::Key_P));
  acReindex = Accion(this, "acReindex", "Reorganizar información", "Reorganizar", nullptr, QKeySequence());
  acConfig = Accion(this, "acConfig", "Configurar", "Configurar", "Modificar opciones programa", QKeySequence());
  acImportarIcal = Accion(this, "acImportarIcal", "Importar iCalendar...", "Importar", nullptr, QKeySequence());
  acExportarIcal = Accion(this, "acExportarIcal", "Exportar iCalendar...", "Exportar", nullptr, QKeySequence());
  acDeshacer = Accion(this, "acDeshacer", "&Deshacer", "Deshacer", nullptr, QKeySequence(Qt::CTRL | Qt::Key_Z));
  acRehacer = Accion(this, "acRehacer", "&Rehacer", "Rehacer", nullptr, QKeySequence(Qt::CTRL | Qt::Key_Y));
  acRehacer->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  acToday = Accion(this, "acToday", "&Hoy", "Hoy", "Ir al día de hoy", QKeySequence(Qt::Key_F4));
  acYear = Accion(this, "acYear", "Vista anual", "Anual", nullptr, QKeySequence());
  acVerSemana = Accion(this, "acVerSemana", "Semana", "Semana", nullptr, QKeySequence(Qt::Key_F7));
  acVerMes = Accion(this, "acVerMes", "Mes", "Mes", nullptr, QKeySequence(Qt::Key_F8));
  acNew->setIcon(IconoToolbar(Icono::Nuevo));
  acEdit->setIcon(IconoToolbar(Icono::Editar));
  acDel->setIcon(IconoToolbar(Icono::Borrar));
  acFind->setIcon(IconoToolbar(Icono::Buscar));
  acPrint->setIcon(IconoToolbar(Icono::Imprimir));
  acToday->setIcon(IconoToolbar(Icono::Hoy));
  acYear->setIcon(IconoToolbar(Icono::Anual));
  acVerSemana->setIcon(IconoToolbar(Icono::Semana));
  acVerMes->setIcon(IconoToolbar(Icono::Mes));
  connect(acNew, &QAction::triggered, this, &TfrmAgenda::acNewExecute);
  connect(acEdit, &QAction::triggered, this, &TfrmAgenda::acEditExecute);
  connect(acDel, &QAction::triggered, this, &TfrmAgenda::acDelExecute);
  connect(acDeshacer, &QAction::triggered, this, &TfrmAgenda::acDeshacerExecute);
  connect(acRehacer, &QAction::triggered, this, &TfrmAgenda::acRehacerExecute);
  ActualizarDeshacer();
  connect(acFind, &QAction::triggered, this, &TfrmAgenda::acFindExecute);
  connect(acPrint, &QAction::triggered, this, &TfrmAgenda::acPrintExecute);
  connect(acReindex, &QAction::triggered, this, &TfrmAgenda::acReindexExecute);
  connect(acConfig, &QAction::triggered, this, &TfrmAgenda::acConfigExecute);
  connect(acImportarIcal, &QAction::triggered, this, &TfrmAgenda::acImportarIcalExecute);
  connect(acExportarIcal, &QAction::triggered, this, &TfrmAgenda::acExportarIcalExecute);
  connect(acToday, &QAction::triggered, this, &TfrmAgenda::acTodayExecute);
  connect(acYear, &QAction::triggered, this, &TfrmAgenda::acYearExecute);
  connect(acVerSemana, &QAction::triggered, this, &TfrmAgenda::acVerSemanaExecute);
  connect(acVerMes, &QAction::triggered, this, &TfrmAgenda::acVerMesExecute);

  // The time scale, in the "Horas" drop-down and in the "Ver" menu alike.
  popView = new QMenu(this);
  popView->setObjectName(QStringLiteral("popView"));
  Unahora2 = EntradaEscala(popView, "Unahora2", "Una hora");
  Mediahora2 = EntradaEscala(popView, "Mediahora2", "Media hora");
  N15minutos2 = EntradaEscala(popView, "N15minutos2", "15 minutos");

  tbAgenda = new QToolBar(this);
  tbAgenda->setObjectName(QStringLiteral("tbAgenda"));
  tbAgenda->setMovable(false);
  tbAgenda->setFloatable(false);
  tbAgenda->setIconSize(QSize(24, 24));
  tbAgenda->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  tbAgenda->setFixedHeight(46);
  addToolBar(Qt::TopToolBarArea, tbAgenda);
  for (QAction* a : {acNew, acEdit, acDel}) tbAgenda->addAction(a);
  tbAgenda->addSeparator();
  for (QAction* a : {acToday, acVerSemana, acVerMes, acYear}) tbAgenda->addAction(a);
  btnHoras = new QToolButton(tbAgenda);
  btnHoras->setObjectName(QStringLiteral("btnHoras"));
  btnHoras->setText(QStringLiteral("Horas"));
  btnHoras->setIcon(IconoToolbar(Icono::Horas));
  btnHoras->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  btnHoras->setMenu(popView);
  btnHoras->setPopupMode(QToolButton::InstantPopup);
  tbAgenda->addWidget(btnHoras);
  tbAgenda->addSeparator();
  tbAgenda->addAction(acFind);
  tbAgenda->addAction(acPrint);
  tbAgenda->addSeparator();
  auto* sinTooltip = new SinTooltip(tbAgenda);
  for (QAction* a : tbAgenda->actions()) {
    QWidget* w = tbAgenda->widgetForAction(a);
    if (!w || a->isSeparator()) continue;
    w->setMinimumSize(46, 44);
    if (a->property(kSinTooltip).toBool()) w->installEventFilter(sinTooltip);
  }

  mnuArchivo = menuBar()->addMenu(QStringLiteral("&Archivo"));
  mnuArchivo->setObjectName(QStringLiteral("mnuArchivo"));
  // A subject being typed in place is stored before the menu shows, so that
  // its entries (the undo's caption among them) name what they act on.
  connect(mnuArchivo, &QMenu::aboutToShow, this, &TfrmAgenda::TerminarEdicion);
  for (QAction* a : {acNew, acEdit, acDel}) mnuArchivo->addAction(a);
  mnuArchivo->addSeparator();
  mnuArchivo->addAction(acDeshacer);
  mnuArchivo->addAction(acRehacer);
  mnuArchivo->addSeparator();
  mnuArchivo->addAction(acFind);
  mnuArchivo->addAction(acPrint);
  mnuArchivo->addAction(acConfig);
  mnuArchivo->addSeparator();
  mnuArchivo->addAction(acImportarIcal);
  mnuArchivo->addAction(acExportarIcal);
  mnuArchivo->addSeparator();
  QMenu* copias = mnuArchivo->addMenu(QStringLiteral("Copias seguridad"));
  copias->setObjectName(QStringLiteral("Copiasseguridad1"));
  copias->addAction(QStringLiteral("Copiar"), this, &TfrmAgenda::Copiar1Click)->setObjectName(QStringLiteral("Copiar1"));
  copias->addAction(QStringLiteral("Restaurar"), this, &TfrmAgenda::Restaurar1Click)
      ->setObjectName(QStringLiteral("Restaurar1"));
  mnuArchivo->addAction(acReindex);
  mnuArchivo->addSeparator();
  Cerrar1 = mnuArchivo->addAction(QStringLiteral("&Salir"), this, &TfrmAgenda::Cerrar1Click);
  Cerrar1->setObjectName(QStringLiteral("Cerrar1"));

  mnuVer = menuBar()->addMenu(QStringLiteral("&Ver"));
  mnuVer->setObjectName(QStringLiteral("mnuVer"));
  mnuVer->addAction(acToday);
  // The entries show the shortcuts of the actions they run.
  EntradaDe(mnuVer, "Unasemana1", "Una semana\tF7", acVerSemana);
  EntradaDe(mnuVer, "Unmes1", "Un mes\tF8", acVerMes);
  EntradaDe(mnuVer, "Unao1", "Un año", acYear);
  mnuVer->addSeparator();
  Unahora1 = EntradaEscala(mnuVer, "Unahora1", "Una hora");
  Mediahora1 = EntradaEscala(mnuVer, "Mediahora1", "Media hora");
  N15minutos1 = EntradaEscala(mnuVer, "N15minutos1", "15 minutos");
  Mediahora1->setChecked(true);
  Mediahora2->setChecked(true);
  for (QAction* a : {Unahora1, Unahora2}) connect(a, &QAction::triggered, this, &TfrmAgenda::Unahora1Click);
  for (QAction* a : {Mediahora1, Mediahora2}) connect(a, &QAction::triggered, this, &TfrmAgenda::Mediahora1Click);
  for (QAction* a : {N15minutos1, N15minutos2}) connect(a, &QAction::triggered, this, &TfrmAgenda::N15minutos1Click);

  mnuAyuda = menuBar()->addMenu(QStringLiteral("A&yuda"));
  mnuAyuda->setObjectName(QStringLiteral("mnuAyuda"));
  mnuAyuda->addAction(QStringLiteral("&Contenido"), this, &TfrmAgenda::Ayuda2Click)->setObjectName(QStringLiteral("Ayuda2"));
  mnuAyuda->addSeparator();
  mnuAyuda->addAction(QStringLiteral("Acerca de ..."), this, &TfrmAgenda::Acercade1Click)
      ->setObjectName(QStringLiteral("Acercade1"));

  popTimeView = new QMenu(this);
  popTimeView->setObjectName(QStringLiteral("popTimeView"));
  for (QAction* a : {acNew, acEdit, acDel}) popTimeView->addAction(a);
  popTimeView->addSeparator();
  popTimeView->addAction(acDeshacer);
  popTimeView->addAction(acRehacer);
  popTimeView->addSeparator();
  popTimeView->addAction(acToday);
  popTimeView->addAction(acYear);
  popTimeView->addAction(QStringLiteral("Ver"))->setObjectName(QStringLiteral("Ver1"));
}
