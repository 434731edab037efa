#include "reports/ReportLayouts.h"

#include <QDate>
#include <QLocale>
#include <QTime>
#include <QRegularExpression>
#include <memory>

#include "core/DateFormat.h"

namespace reports {

namespace {

const QColor kGris(224, 224, 224);
const QColor kGrisTitulos(223, 223, 223);
constexpr ReportFont kNormal{10, false};
constexpr ReportFont kNegrita{10, true};
constexpr ReportFont kTitulo{18, true};
constexpr ReportFont kPequena{8, false};

QString Fecha(TDateTime v) { return FormatDateTime(QStringLiteral("dd/mm/yyyy"), v); }

// Tops of the lines of a full appointment band; the two layouts that show an
// appointment in full differ only in these.
struct LineasCita {
  double barra, asunto, inicio, categoria, lugar, notas, altoNotas;
};
constexpr LineasCita kLineasCita{2.6, 4.2, 13.8, 23.3, 32.8, 43.4, 196.6};
constexpr LineasCita kLineasDetalle{2.6, 4.2, 11.6, 16.9, 22.2, 27.5, 36.2};

ReportBand BandaCita(const CitaRow& c, double alto, const LineasCita& l) {
  ReportBand b{alto, {}};
  b.items = {
      Bar(1.1, l.barra, 187.6, 7.7, kGris),
      RightLabel(21.7, l.asunto, QStringLiteral("Asunto:"), kNegrita),
      Label(24.3, l.asunto, c.Asunto, kNormal),
      RightLabel(21.7, l.inicio, QStringLiteral("Inicio:"), kNegrita),
      Label(24.3, l.inicio, Fecha(c.FechaIni), kNormal),
      Label(44.5, l.inicio, c.HoraIni, kNormal),
      RightLabel(97.9, l.inicio, QStringLiteral("Fin:"), kNegrita),
      Label(100.5, l.inicio, Fecha(c.FechaFin), kNormal),
      Label(120.7, l.inicio, c.HoraFin, kNormal),
      RightLabel(21.7, l.categoria, QStringLiteral("Categoría:"), kNegrita),
      Label(24.3, l.categoria, TextoCategoria(c), kNormal),
      RightLabel(21.7, l.lugar, QStringLiteral("Lugar:"), kNegrita),
      Label(24.3, l.lugar, c.Lugar, kNormal),
      RightLabel(21.7, l.notas, QStringLiteral("Notas:"), kNegrita),
      Memo(24.3, l.notas, 156.9, l.altoNotas, c.Notas, kNormal),
  };
  return b;
}

ReportBand CabeceraRango(double alto, const QString& tipo, const CabeceraFechas& c) {
  ReportBand b{alto, {}};
  b.items = {
      Label(1.1, 1.6, QStringLiteral("Agenda"), kTitulo),
      Label(173.6, 2.1, tipo, kNormal),
      RightLabel(18.5, 12.7, QStringLiteral("Desde:"), kNormal),
      Label(21.2, 12.7, c.lblDesdeFecha, kNegrita),
      Label(45.5, 12.7, QStringLiteral("Hasta:"), kNormal),
      Label(59.3, 12.7, c.lblHastaFecha, kNegrita),
      Label(97.4, 12.7, QStringLiteral("Categoría:"), kNormal),
      Label(116.4, 12.7, c.lblCategoria, kNegrita),
  };
  return b;
}

}  // namespace

QString TextoMomentoImpresion(TDateTime Momento) {
  int y, m, d, h, n, s, ms;
  dt::DecodeDateTime(Momento, y, m, d, h, n, s, ms);
  const QLocale locale;
  // The long time format may name the time zone; the footer shows the time only.
  QString hora = locale.timeFormat(QLocale::LongFormat);
  hora.remove(QRegularExpression(QStringLiteral("\\s*\\(?t+\\)?")));
  return locale.toString(QDate(y, m, d), QLocale::ShortFormat) + QLatin1Char(' ') +
         locale.toString(QTime(h, n, s), hora.trimmed());
}

ReportBand PiePagina(int Pagina, bool ConNumero, TDateTime ImpresoEl) {
  ReportBand b{6.1, {}};
  b.items.push_back(HLine(0, kBandWidth, 0));
  b.items.push_back(Label(1.1, 1.3, QStringLiteral("Quillar"), {6, false}));
  if (ConNumero)
    b.items.push_back(CenteredLabel(86.3, 103.8, 0.8, QStringLiteral("Pág.: ") + QString::number(Pagina), kPequena));
  b.items.push_back(RightLabel(189.4, 1.6, TextoMomentoImpresion(ImpresoEl), {6, false}));
  return b;
}

BandReport LayoutAgendaCita(std::vector<CitaRow> Citas, TDateTime ImpresoEl) {
  auto rows = std::make_shared<const std::vector<CitaRow>>(std::move(Citas));
  BandReport r;
  ReportBand titulo{20.9, {Label(3.2, 5.8, QStringLiteral("Agenda"), kTitulo)}};
  r.title = titulo;
  r.pageFooter = [ImpresoEl](int page) { return PiePagina(page, false, ImpresoEl); };
  r.detailCount = static_cast<int>(rows->size());
  r.detailHeight = 246.3;
  r.detail = [rows](int i) { return BandaCita((*rows)[i], 246.3, kLineasCita); };
  return r;
}

BandReport LayoutAgendaFechasDetalles(std::vector<CitaRow> Citas, const CabeceraFechas& Cabecera,
                                      TDateTime ImpresoEl) {
  auto rows = std::make_shared<const std::vector<CitaRow>>(std::move(Citas));
  BandReport r;
  r.pageHeader = [Cabecera](int) { return CabeceraRango(20.9, QStringLiteral("Detallado"), Cabecera); };
  r.pageFooter = [ImpresoEl](int page) { return PiePagina(page, true, ImpresoEl); };
  r.detailCount = static_cast<int>(rows->size());
  r.detailHeight = 72.0;
  r.detail = [rows](int i) { return BandaCita((*rows)[i], 72.0, kLineasDetalle); };
  return r;
}

BandReport LayoutAgendaFechasResumen(std::vector<CitaRow> Citas, const CabeceraFechas& Cabecera,
                                     TDateTime ImpresoEl) {
  auto rows = std::make_shared<const std::vector<CitaRow>>(std::move(Citas));
  BandReport r;
  r.pageHeader = [Cabecera](int) {
    ReportBand b = CabeceraRango(34.7, QStringLiteral("Resumido"), Cabecera);
    b.items.push_back(Bar(-0.8, 29.1, 193.9, 5.3, kGrisTitulos));
    b.items.push_back(Label(0.3, 29.6, QStringLiteral("Inicio"), kPequena));
    b.items.push_back(Label(31.5, 29.6, QStringLiteral("Fin"), kPequena));
    b.items.push_back(Label(63.8, 29.6, QStringLiteral("Asunto"), kPequena));
    b.items.push_back(Label(152.4, 29.6, QStringLiteral("Categoría"), kPequena));
    return b;
  };
  r.pageFooter = [ImpresoEl](int page) { return PiePagina(page, true, ImpresoEl); };
  r.detailCount = static_cast<int>(rows->size());
  r.detailHeight = 5.3;
  r.detail = [rows](int i) {
    const CitaRow& c = (*rows)[i];
    return ReportBand{5.3,
                      {Label(0.0, 0, Fecha(c.FechaIni), kPequena), Label(15.9, 0, c.HoraIni, kPequena),
                       Label(31.8, 0, Fecha(c.FechaFin), kPequena), Label(47.6, 0, c.HoraFin, kPequena),
                       BoxedLabel(63.5, 0, 87.0, c.Asunto, kPequena),
                       BoxedLabel(152.4, 0, 36.2, TextoCategoria(c), kPequena)}};
  };
  return r;
}

}  // namespace reports
