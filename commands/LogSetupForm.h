// The "Datalog Setup" dialog's form model.
#pragma once

#include "app/Controls.h"

struct FrmLogSetupForm {
    FormGeometry form{"Datalog Setup"};
};
FrmLogSetupForm& frmLogSetup();
