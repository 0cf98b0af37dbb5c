// The example plant: something to walk the whole road on without a database and without a
// plant of one's own. Plant 50 is the reference farm of the benchmarks (50 turbines of 2 MW in
// a 10 x 5 array), with a synthetic year of ten-minute series in the series file's nine
// channels, drawn from a fixed seed so that every run writes the same bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>

#include "estimator/uparques_modeloteorico.h"
#include "services/useriestemporales.h"

inline constexpr int32_t kPlantaEjemplo = 50;

// The theoretical model of plant 50: the reference farm, its station-factor matrix 72 sectors
// by the empirical model's 10 bins.
std::unique_ptr<TParque_ModeloTeorico> ModeloPlantaEjemplo();

// The plant's year of ten-minute samples, 2016-01-01 00:00 to 2016-12-31 23:50, in the
// channels "vel", "dir", "PE", "temp", "pre", "hum", "CGM", "disp", "varvel":
//  * speeds of a Weibull law (shape 2, scale 8.5 m/s) with ten-minute persistence; directions
//    around a prevailing west-south-west with spread, and spells from the east;
//  * the farm's power from a logistic curve, less the wake losses of winds along the rows,
//    scaled by the air density (day and night temperatures, pressure, humidity), with noise;
//  * gaps (the mark -999999999 in every channel), two days with a stuck anemometer, a few
//    hours with some turbines out ("disp" counts the turbines available), and restriction
//    periods in which the CGM channel holds the farm below its 100 MW (three of them in
//    November).
TSeriesDeDatos SeriesPlantaEjemplo();

// Writes c50_parque_mt.pmt and c50_series10min.sas into the folder of plant 50 under the base
// working folder (IniciarUcarpetascentrales must have run). When any of the plant's files
// (model, series, calibrator, combined model) is already there, nothing is written and
// EErrorGeneral says which. On a failure part-way, what was written is removed.
void EscribirPlantaEjemplo();
