// Changing a stored message: the save actions that build the rewritten text in the message's
// Reescrito buffer, and what the .dbx write-back needs of it.
#pragma once

#include <cstdint>

#include "api/orvex.h"
#include "mensaje/acciones.h"
#include "mensaje/empalme.h"

namespace orvex::oe5 {

// The save actions are the planner every store shares.
using mensaje::AplicarAccion;
using mensaje::TrasFallo;

// A renamed attachment keeps its extension in the name: "virus.exe" -> "virus_exe.VIR".
using mensaje::NombreVir;
// Reescrito belongs to the message record; these are the shared owner's helpers.
using mensaje::LiberarReescrito;
using mensaje::ReescritoDe;

}  // namespace orvex::oe5
