#pragma once
// TfrmSelectDate, "Vista anual": one whole year as twelve month blocks, the
// days on which appointments start filled in a colour (optionally only those
// of one category). A double click on a day returns that day.

#include <QDialog>
#include <array>
#include <vector>

#include "calendar/AnnualViewData.h"
#include "calendar/RBCalendar.h"
#include "core/DateTime.h"

class QComboBox;
class QLabel;
class QMenu;
class QToolButton;
class QFrame;

class TfrmSelectDate : public QDialog {
  Q_OBJECT

 public:
  static constexpr int HelpContextId = 12;
  static constexpr int ClientWidth = 587, ClientHeight = 427;

  // Takes the current year; the year menu lists the five years before it
  // and the ten after it for the life of the dialog.
  explicit TfrmSelectDate(QWidget* parent = nullptr);

  // Named controls.
  QToolButton* btnYearDec;
  QLabel* lblYear;
  QToolButton* btnYeadAdd;
  QFrame* Bevel1;
  QLabel* Label1;
  QComboBox* cbbCategoria;
  TRBCalendar* AnualCalendar;
  QMenu* popYear;

  int Anio() const { return FAnio; }
  TColor MarkColor() const { return FMarkColor; }
  bool Marca(int dayOfYear) const { return dayOfYear >= 1 && dayOfYear <= 366 && FMarcas[dayOfYear]; }
  TDate Resultado() const { return FResultado; }

  // Handlers.
  // Reads the mark colour and the categories and loads the marks of the year.
  // Failures other than the query's reach the caller.
  void FormShow();
  void btnYearDecClick();
  void btnYeadAddClick();
  void lblYearClick();
  void cbbCategoriaChange();
  void AnualCalendarMark(TRBCalendar* Sender, TDate Day, bool& Mark);
  void AnualCalendarCellDraw(TRBCalendar* Sender, TDate Day, bool Selected, bool Marked, bool InMonth,
                             QPainter* Canvas, const QRect& Rect);
  void AnualCalendarDblClick(TRBCalendar* Sender);

  // The marks query as run for the current category choice.
  static QString TextoConsulta(bool conCategoria);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CambiarAnio(int anio);
  void CargarMarcas();
  TColor ColorDeIndice(int indice) const;  // category colour; the window colour outside the list

  int FAnio = 0;
  TColor FMarkDayColor = clWindow;  // the configured colour, read when the view is shown
  TColor FMarkColor = clWindow;     // the colour marked days are filled with now
  std::array<bool, 367> FMarcas{};  // by day of the year, 1..366
  TDate FResultado = 0;
  std::vector<AnnualViewCategory> FCategorias;
  bool FFilling = false;
};

// Shows the annual view modally and returns the double-clicked day, or 0
// when the view was closed otherwise or could not be shown (then a warning
// says why).
TDate ShowAnnualView(QWidget* parent = nullptr);
