// Reading a file: lines unfolded and checked one by one (each must be a
// property, components must nest), then each component of the calendars
// handed to libical on its own, so a huge file advances in steps.
#include <QCryptographicHash>
#include <cctype>

#include "ical/IcalLectorDatos.h"

namespace ical {

namespace {

struct Linea {
  QByteArray texto;  // unfolded
  int numero;        // of its first physical line
};

// A component of a calendar: its kind and its lines [desde, hasta].
struct Trozo {
  QByteArray tipo;
  int desde;
  int hasta;
};

std::vector<Linea> Desplegar(const QByteArray& datos) {
  std::vector<Linea> lineas;
  int numero = 0;
  qsizetype pos = datos.startsWith("\xEF\xBB\xBF") ? 3 : 0;
  while (pos < datos.size()) {
    qsizetype fin = datos.indexOf('\n', pos);
    if (fin < 0) fin = datos.size();
    QByteArray l = datos.mid(pos, fin - pos);
    if (l.endsWith('\r')) l.chop(1);
    ++numero;
    pos = fin + 1;
    if ((l.startsWith(' ') || l.startsWith('\t')) && !lineas.empty()) {
      lineas.back().texto += l.mid(1);
    } else if (!l.isEmpty()) {
      lineas.push_back({l, numero});
    }
  }
  return lineas;
}

// The name of a content line ("DTSTART" of "DTSTART;TZID=x:..."), empty when
// the line is no property.
QByteArray Nombre(const QByteArray& linea) {
  qsizetype i = 0;
  while (i < linea.size() && (std::isalnum(static_cast<unsigned char>(linea[i])) || linea[i] == '-')) ++i;
  if (i == 0 || i >= linea.size() || (linea[i] != ':' && linea[i] != ';')) return {};
  if (linea.indexOf(':', i) < 0) return {};
  return linea.left(i).toUpper();
}

QByteArray Valor(const QByteArray& linea) {
  bool comillas = false;
  for (qsizetype i = 0; i < linea.size(); ++i) {
    if (linea[i] == '"') comillas = !comillas;
    else if (linea[i] == ':' && !comillas) return linea.mid(i + 1);
  }
  return {};
}

QString EnLinea(int numero) { return QStringLiteral("Error en la línea %1 del fichero iCalendar:\r\n").arg(numero); }

}  // namespace

void IntervaloPorDefecto(TDate Hoy, TDate& Desde, TDate& Hasta) {
  Desde = dt::DateOf(dt::IncMonth(Hoy, -12));
  Hasta = dt::DateOf(dt::IncMonth(Hoy, 24));
}

TLectorIcal::TLectorIcal() : d_(std::make_unique<Datos>()) {}
TLectorIcal::~TLectorIcal() = default;

TLectorIcal::Resultado TLectorIcal::Leer(const QByteArray& Datos, const TAvanceIcal& Avance) {
  d_ = std::make_unique<struct Datos>();
  lineaError_ = 0;
  error_.clear();
  const auto falla = [this](int numero, const QString& texto) {
    lineaError_ = numero;
    error_ = EnLinea(numero) + texto;
    d_ = std::make_unique<struct Datos>();
    return Malformado;
  };

  const std::vector<Linea> lineas = Desplegar(Datos);
  if (lineas.empty()) return falla(1, QStringLiteral("el fichero está vacío."));

  // Structure: every line a property, components nested, calendars closed.
  std::vector<Trozo> trozos;
  std::vector<std::pair<QByteArray, int>> pila;  // open components and their first line
  bool algunCalendario = false;
  // Progress: the lines checked, then the components read (counted as
  // lines too, so the bar moves evenly).
  const qint64 total = static_cast<qint64>(lineas.size()) * 2;
  const auto cancelado = [&](qint64 hecho) {
    if (!Avance || Avance(hecho, total)) return false;
    d_ = std::make_unique<struct Datos>();
    return true;
  };
  for (int i = 0; i < static_cast<int>(lineas.size()); ++i) {
    if (i % 4096 == 0 && cancelado(i)) return Cancelado;
    const Linea& l = lineas[i];
    const QByteArray nombre = Nombre(l.texto);
    if (nombre.isEmpty())
      return falla(l.numero, QStringLiteral("la línea no es una propiedad (NOMBRE:valor): ") +
                                 QString::fromUtf8(l.texto.left(60)));
    const QByteArray valor = Valor(l.texto).trimmed().toUpper();
    if (nombre == "BEGIN") {
      if (pila.empty() && valor != "VCALENDAR")
        return falla(l.numero, QStringLiteral("se esperaba BEGIN:VCALENDAR."));
      if (pila.empty()) algunCalendario = true;
      pila.emplace_back(valor, i);
    } else if (nombre == "END") {
      if (pila.empty() || pila.back().first != valor)
        return falla(l.numero, pila.empty() ? QStringLiteral("END:%1 sin BEGIN.").arg(QString::fromUtf8(valor))
                                            : QStringLiteral("se esperaba END:%1.").arg(QString::fromUtf8(pila.back().first)));
      if (pila.size() == 2) trozos.push_back({valor, pila.back().second, i});
      pila.pop_back();
    } else if (pila.empty()) {
      return falla(l.numero, QStringLiteral("propiedad fuera de BEGIN:VCALENDAR."));
    }
  }
  if (!pila.empty())
    return falla(lineas.back().numero, QStringLiteral("el fichero termina sin END:%1 (¿está incompleto?).")
                                           .arg(QString::fromUtf8(pila.back().first)));
  if (!algunCalendario) return falla(1, QStringLiteral("no hay ningún calendario."));

  // Each component through libical; the first error it marks is the file's.
  for (size_t n = 0; n < trozos.size(); ++n) {
    const Trozo& t = trozos[n];
    if (n % 256 == 0 && cancelado(static_cast<qint64>(lineas.size()) + t.desde)) return Cancelado;
    if (t.tipo == "VTODO") { ++d_->Omitidos.Tareas; continue; }
    if (t.tipo == "VJOURNAL") { ++d_->Omitidos.Diario; continue; }
    if (t.tipo != "VEVENT" && t.tipo != "VTIMEZONE") { ++d_->Omitidos.Otros; continue; }
    QByteArray texto;
    for (int i = t.desde; i <= t.hasta; ++i) texto += lineas[i].texto + "\r\n";
    icalcomponent* c = icalparser_parse_string(texto.constData());
    if (!c) return falla(lineas[t.desde].numero, QStringLiteral("no se pudo leer el componente."));
    for (icalcomponent* sub = c; sub;) {
      if (icalproperty* e = icalcomponent_get_first_property(sub, ICAL_XLICERROR_PROPERTY)) {
        // libical names the faulty text at the end of its message.
        const QByteArray mensaje = icalproperty_get_xlicerror(e);
        const QByteArray trozo = mensaje.mid(mensaje.lastIndexOf(": ") + 2).trimmed();
        int numero = lineas[t.desde].numero;
        for (int i = t.desde; i <= t.hasta; ++i)
          if (!trozo.isEmpty() && lineas[i].texto.contains(trozo)) {
            numero = lineas[i].numero;
            break;
          }
        icalcomponent_free(c);
        return falla(numero, QStringLiteral("valor no válido: ") + QString::fromUtf8(trozo.left(60)));
      }
      sub = sub == c ? icalcomponent_get_first_component(c, ICAL_ANY_COMPONENT)
                     : icalcomponent_get_next_component(c, ICAL_ANY_COMPONENT);
    }
    if (icalcomponent_isa(c) == ICAL_VTIMEZONE_COMPONENT) {
      d_->Zonas.Definir(c);
      continue;
    }
    if (!icalcomponent_get_first_property(c, ICAL_UID_PROPERTY)) {
      // An event without UID is known again by its own text.
      const QByteArray huella = QCryptographicHash::hash(texto, QCryptographicHash::Sha1).toHex();
      icalcomponent_add_property(c, icalproperty_new_uid(("sin-uid-" + huella).constData()));
    }
    d_->Eventos.push_back(c);
  }
  if (Avance) Avance(total, total);
  return Leido;
}

}  // namespace ical
