#pragma once
// Gives the annual view its data: the mark colour, the categories and the
// marks query run over the data folder.
void InstalarFuenteVistaAnual();
