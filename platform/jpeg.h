// JPEG files through libjpeg. libjpeg's default error handler prints and calls exit(); ours
// returns control to us, and the failure is raised as an EInOutError with the path.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

// Writes an image of ancho x alto pixels given as rows of 3 bytes per pixel (R, G, B), the top
// row first, `paso` bytes from one row to the next, as a baseline JPEG with the quality
// `calidad` (1..100; lower values are taken as 1, higher as 100) and without chroma
// subsampling (4:4:4), so that thin coloured lines keep their colour. The file is written beside
// the target and renamed over it only when complete, so a failure leaves any previous file.
// Failures: EInOutError "No puedo escribir el archivo: " + path + " (" + libjpeg's reason + ")"
// or "No puedo crear el archivo: " + path.
void GuardarJPEG(const std::filesystem::path& archivo, const uint8_t* rgb, int32_t ancho,
                 int32_t alto, int64_t paso, int calidad);

// The two halves of GuardarJPEG, so that images can be compressed on other threads and written
// in order by the caller: the bytes GuardarJPEG would write to `archivo` (which only names the
// file in the messages of its failures, the same as GuardarJPEG's), and the writing of such
// bytes as GuardarJPEG writes them.
std::string CodificarJPEG(const std::filesystem::path& archivo, const uint8_t* rgb, int32_t ancho,
                          int32_t alto, int64_t paso, int calidad);
void EscribirJPEG(const std::filesystem::path& archivo, const std::string& bytes);
