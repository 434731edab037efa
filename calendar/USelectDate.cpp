#include "calendar/USelectDate.h"
#include "core/HelpContext.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <algorithm>
#include <stdexcept>

#include "core/Clock.h"
#include "core/Messages.h"
#include "core/ScreenCentre.h"

namespace {

// The year buttons' pictures: a solid arrow, drawn once.
QIcon YearArrow(bool forward) {
  QPixmap pix(16, 16);
  pix.fill(Qt::transparent);
  QPainter p(&pix);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(40, 70, 140));
  QPolygonF arrow;
  if (forward)
    arrow << QPointF(5, 2) << QPointF(13, 8) << QPointF(5, 14);
  else
    arrow << QPointF(11, 2) << QPointF(3, 8) << QPointF(11, 14);
  p.drawPolygon(arrow);
  return QIcon(pix);
}

// Category items drawn in their category's colour, the name 2 pixels from the left.
class CategoryItemDelegate : public QStyledItemDelegate {
 public:
  CategoryItemDelegate(std::function<TColor(int)> colorOf, QObject* parent)
      : QStyledItemDelegate(parent), FColorOf(std::move(colorOf)) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    const QColor back = ToQColor(selected ? clHighlight : FColorOf(index.row() - 1));
    const QColor text = ToQColor(selected ? clHighlightText : clWindowText);
    painter->save();
    painter->fillRect(option.rect, back);
    painter->setPen(text);
    painter->setFont(option.font);
    painter->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      index.data().toString());
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), 14);
  }

 private:
  std::function<TColor(int)> FColorOf;
};

const AnnualViewSource& Source() {
  const AnnualViewSource& s = CurrentAnnualViewSource();
  if (!s.markDayColor || !s.categories || !s.runMarksQuery)
    throw std::runtime_error("Los datos de la agenda no están disponibles.");
  return s;
}
}  // namespace

TfrmSelectDate::TfrmSelectDate(QWidget* parent) : QDialog(parent) {
  setObjectName("frmSelectDate");
  SetHelpContext(this, 12);
  setWindowTitle("Vista anual");
  setFont(QFont("Arial", 8));
  setFixedSize(ClientWidth, ClientHeight);
  CentreOnScreen(this);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  FAnio = dt::YearOf(Clock::Today());

  btnYearDec = new QToolButton(this);
  btnYearDec->setObjectName("btnYearDec");
  btnYearDec->setAutoRaise(true);
  btnYearDec->setIcon(YearArrow(false));
  btnYearDec->setGeometry(4, 5, 22, 22);
  btnYearDec->setFocusPolicy(Qt::NoFocus);
  connect(btnYearDec, &QToolButton::clicked, this, [this] { btnYearDecClick(); });

  lblYear = new QLabel(this);
  lblYear->setObjectName("lblYear");
  QFont yearFont("Arial");
  yearFont.setPixelSize(19);
  yearFont.setBold(true);
  lblYear->setFont(yearFont);
  lblYear->setAlignment(Qt::AlignCenter);
  lblYear->setGeometry(28, 4, 56, 24);
  lblYear->setCursor(Qt::PointingHandCursor);
  lblYear->installEventFilter(this);

  btnYeadAdd = new QToolButton(this);
  btnYeadAdd->setObjectName("btnYeadAdd");
  btnYeadAdd->setAutoRaise(true);
  btnYeadAdd->setIcon(YearArrow(true));
  btnYeadAdd->setGeometry(86, 5, 22, 22);
  btnYeadAdd->setFocusPolicy(Qt::NoFocus);
  connect(btnYeadAdd, &QToolButton::clicked, this, [this] { btnYeadAddClick(); });

  Bevel1 = new QFrame(this);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setFrameShape(QFrame::VLine);
  Bevel1->setFrameShadow(QFrame::Sunken);
  Bevel1->setGeometry(116, 3, 4, 26);

  Label1 = new QLabel("Categoría", this);
  Label1->setObjectName("Label1");
  Label1->setGeometry(128, 9, 52, 14);

  cbbCategoria = new QComboBox(this);
  cbbCategoria->setObjectName("cbbCategoria");
  cbbCategoria->setEditable(false);
  cbbCategoria->setGeometry(182, 5, 180, 22);
  cbbCategoria->setItemDelegate(
      new CategoryItemDelegate([this](int i) { return ColorDeIndice(i); }, cbbCategoria));
  Label1->setBuddy(cbbCategoria);
  connect(cbbCategoria, &QComboBox::currentIndexChanged, this, [this] {
    if (!FFilling) cbbCategoriaChange();
  });

  AnualCalendar = new TRBCalendar(this);
  AnualCalendar->setObjectName("AnualCalendar");
  AnualCalendar->setFont(font());
  AnualCalendar->SetFirstWeekDay(fwdMonday);
  AnualCalendar->SetMonthsInWidth(4);
  AnualCalendar->SetMonthsInHeight(3);
  AnualCalendar->SetDayWidth(18);
  AnualCalendar->SetPrevMonthButton(false);
  AnualCalendar->SetNextMonthButton(false);
  AnualCalendar->SetShowToday(false);
  AnualCalendar->SetTitlesColor(clBtnShadow);
  AnualCalendar->SetCaptionsColor(clWindowText);
  AnualCalendar->SetYear(FAnio);
  AnualCalendar->SetMonth(1);
  AnualCalendar->SetSideWeekSelect(false);
  AnualCalendar->SetEnableCaptionPopup(false);
  AnualCalendar->SetCanSelectAnother(false);
  AnualCalendar->SetMaxSelections(1);
  AnualCalendar->SetCustomCellsDraw(true);
  AnualCalendar->SetFlatBorder(true);
  AnualCalendar->SetLinesColor(clBtnFace);
  AnualCalendar->SetCtl3D(false);
  AnualCalendar->SetColor(clWhite);
  // Aligned to the bottom of the dialog.
  AnualCalendar->move(0, ClientHeight - AnualCalendar->height());
  AnualCalendar->SetOnMark([this](TRBCalendar* s, TDate d, bool& m) { AnualCalendarMark(s, d, m); });
  AnualCalendar->OnCellDraw = [this](TRBCalendar* s, TDate d, bool sel, bool mk, bool in, QPainter* c,
                                     const QRect& r) { AnualCalendarCellDraw(s, d, sel, mk, in, c, r); };
  AnualCalendar->OnDblClick = [this](TRBCalendar* s) { AnualCalendarDblClick(s); };

  popYear = new QMenu(this);
  popYear->setObjectName("popYear");
  for (int y = FAnio - 5; y <= FAnio + 10; ++y) {
    if (y < 1 || y > 9999) continue;
    QAction* item = popYear->addAction(QString::number(y));
    item->setData(y);
    connect(item, &QAction::triggered, this, [this, y] { CambiarAnio(y); });
  }

  lblYear->setText(QString::number(FAnio));
  // Esc is seen here before any control gets it.
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

QString TfrmSelectDate::TextoConsulta(bool conCategoria) {
  QStringList lines = {"SELECT DISTINCT(FECHA_INI) AS FECHA", "FROM AGENDA",
                       "WHERE EXTRACT(YEAR FROM FECHA_INI)=:pYear"};
  if (conCategoria) lines << "AND TIPO=:pCategoria";
  lines << "ORDER BY FECHA";
  return lines.join('\n');
}

TColor TfrmSelectDate::ColorDeIndice(int indice) const {
  if (indice < 0 || indice >= static_cast<int>(FCategorias.size())) return clWindow;
  return FCategorias[static_cast<size_t>(indice)].Color;
}

void TfrmSelectDate::FormShow() {
  const AnnualViewSource& source = Source();
  FMarkDayColor = source.markDayColor();
  FMarkColor = FMarkDayColor;
  FCategorias = source.categories();
  FFilling = true;
  cbbCategoria->clear();
  cbbCategoria->addItem("(Todas)");
  for (const AnnualViewCategory& c : FCategorias) cbbCategoria->addItem(c.Nombre);
  cbbCategoria->setCurrentIndex(0);
  FFilling = false;
  CargarMarcas();
  AnualCalendar->SetYear(FAnio);
  lblYear->setText(QString::number(FAnio));
}

void TfrmSelectDate::CargarMarcas() {
  FMarcas.fill(false);
  const int i = cbbCategoria->currentIndex();
  AnnualMarksQuery query;
  query.sql = TextoConsulta(i > 0);
  query.pYear = FAnio;
  if (i > 0) query.pCategoria = FCategorias[static_cast<size_t>(i - 1)].ID;
  try {
    Source().runMarksQuery(query, [this](TDateTime fecha) {
      // Only the start day of an appointment is marked.
      const int day = dt::DayOfTheYear(fecha);
      if (day >= 1 && day <= 366) FMarcas[day] = true;
    });
  } catch (const std::exception& e) {
    // The marks read so far stay and are shown.
    ShowError(QString::fromUtf8(e.what()), this);
  }
  AnualCalendar->RefreshMarks();
}

void TfrmSelectDate::CambiarAnio(int anio) {
  // The calendar holds only years 1..9999; the view keeps to them too, so the
  // label, the query and the months always agree.
  anio = std::clamp(anio, 1, 9999);
  if (anio == FAnio) return;
  FAnio = anio;
  CargarMarcas();
  AnualCalendar->SetYear(FAnio);
  lblYear->setText(QString::number(FAnio));
}

void TfrmSelectDate::btnYearDecClick() { CambiarAnio(FAnio - 1); }
void TfrmSelectDate::btnYeadAddClick() { CambiarAnio(FAnio + 1); }

void TfrmSelectDate::lblYearClick() { popYear->popup(lblYear->mapToGlobal(QPoint(0, 0))); }

void TfrmSelectDate::cbbCategoriaChange() {
  const int i = cbbCategoria->currentIndex();
  FMarkColor = i > 0 ? ColorDeIndice(i - 1) : FMarkDayColor;
  CargarMarcas();
  AnualCalendar->update();
}

void TfrmSelectDate::AnualCalendarMark(TRBCalendar*, TDate Day, bool& Mark) {
  Mark = Marca(dt::DayOfTheYear(Day));
}

void TfrmSelectDate::AnualCalendarCellDraw(TRBCalendar*, TDate Day, bool Selected, bool Marked, bool,
                                           QPainter* Canvas, const QRect& Rect) {
  if (Selected) {
    Canvas->fillRect(Rect, Canvas->brush());
  } else if (Marked) {
    QFont f = Canvas->font();
    f.setBold(false);
    Canvas->setFont(f);
    Canvas->setBrush(ToQColor(FMarkColor));
    Canvas->fillRect(Rect, Canvas->brush());
  }
  Canvas->fillRect(Rect, Canvas->brush());
  Canvas->drawText(Rect, Qt::AlignCenter | Qt::TextSingleLine, QString::number(dt::DayOf(Day)));
}

void TfrmSelectDate::AnualCalendarDblClick(TRBCalendar*) {
  FResultado = AnualCalendar->SelectionStart();
  accept();
}

bool TfrmSelectDate::eventFilter(QObject* watched, QEvent* event) {
  // Esc with the year menu or the category list open closes only that.
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
      !QApplication::activePopupWidget()) {
    reject();
    return true;
  }
  if (watched == lblYear && event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    lblYearClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

TDate ShowAnnualView(QWidget* parent) {
  try {
    TfrmSelectDate frm(parent);
    frm.FormShow();
    return frm.exec() == QDialog::Accepted ? frm.Resultado() : 0;
  } catch (const std::exception& e) {
    ShowWarning("Error en vista anual.\r\n" + QString::fromUtf8(e.what()), parent);
    return 0;
  }
}
