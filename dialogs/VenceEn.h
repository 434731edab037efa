#pragma once
// "Vence en" of a reminder: how long until an appointment starts, or how long
// ago it started ("... atrasado"), in the largest calendar units that are not
// zero. Counting stops after the first unit above 1: "2 días ", "1 hora 30
// minutos ", "15 horas ". A next or previous calendar day is told in hours.

#include <QString>

#include "core/DateTime.h"

QString TextoVenceEn(TDateTime Ahora, TDateTime Inicio);
