#pragma once
// Random appointments for trying the program out with much data. The rules
// of each value live here; the generator window and the command-line
// companion both write through GenerarCitas.

#include <QString>
#include <QStringList>
#include <functional>
#include <random>

#include "core/DateTime.h"

namespace data {
class Table;
}

// The two sample files: phrases for subjects and places, and a text whose
// beginnings make the notes.
struct TextosPrueba {
  QStringList Frases;  // every line of Frases.txt, empty ones included
  QString Texto;       // the lines of Texto.txt joined by CR LF
};

// Reads Frases.txt and Texto.txt from the working folder, else beside the
// program, else from the installed shared folder. False with a Spanish
// message in Error when a file is missing or Frases.txt has no non-empty
// line.
bool CargarTextosPrueba(TextosPrueba& Textos, QString& Error);
// The same from one folder only.
bool CargarTextosPruebaDe(const QString& Carpeta, TextosPrueba& Textos, QString& Error);

// Random(n): a uniform integer 0..n-1 (0 when n < 1).
class TAzar {
 public:
  explicit TAzar(unsigned seed) : engine_(seed) {}
  int Random(int n);

 private:
  std::mt19937 engine_;
};

struct TCitaPrueba {
  TDate FechaIni = 0;
  QString HoraIni;
  TDate FechaFin = 0;
  QString HoraFin;
  QString Asunto;
  QString Lugar;
  int Aviso = 0;
  int Tipo = 0;
  QString Notas;
};

// One appointment drawn as the rules say: start day today - Random(200) +
// Random(1000), start hh = Random(23) and minutes 15 * Random(3), length
// 15 * Random(32) minutes, subject and place random non-empty phrases,
// reminder Random(10), category Random(Categorias) - 1, notes the first
// Random(L) characters of the text when Random(27) is even.
TCitaPrueba GenerarCita(TAzar& Azar, const TextosPrueba& Textos, int Categorias, TDate Hoy);

// Empties AGENDA.DBF of Carpeta and fills it with Cantidad appointments
// numbered from 1, each posted and flushed on its own. Avance(i) runs before
// the i-th (1-based). Engine failures raise data::DbError; nothing is
// changed when CATEGORIAS cannot be read.
void GenerarCitas(const QString& Carpeta, int Cantidad, const TextosPrueba& Textos, TAzar& Azar,
                  const std::function<void(int)>& Avance = {});
