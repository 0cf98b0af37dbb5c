// Assertions shared by every test program.
#pragma once

#include <gtest/gtest.h>

#include <string>

// The statement throws `tipo` and its message is exactly `texto`.
#define EXPECT_THROW_MSG(sentencia, tipo, texto)              \
  do {                                                        \
    try {                                                     \
      sentencia;                                              \
      ADD_FAILURE() << "no lanzó " #tipo;                     \
    } catch (const tipo& e_) {                                \
      EXPECT_EQ(std::string(e_.what()), std::string(texto));  \
    } catch (const std::exception& e_) {                      \
      ADD_FAILURE() << "lanzó otra excepción: " << e_.what(); \
    } catch (...) {                                           \
      ADD_FAILURE() << "lanzó algo que no es una excepción";  \
    }                                                         \
  } while (0)
