// The "Datalog Setup" dialog's form model.
#pragma once

#include "forms/Controls.h"

#include <array>

struct FrmLogSetupForm {
    FormGeometry form{"Datalog Setup"};
    Frame framePlotChan{"Input Selection"};
    std::array<CheckBox, 4> chkInput{CheckBox{"AIN 0"}, CheckBox{"AIN 1"}, CheckBox{"AIN 2"},
                                     CheckBox{"AIN 3"}};
    CheckBox chkLogTemp{"Temperature"};
    CheckBox chkPlotData{"Plot Data while logging (slower)"};
    Button cmdOK{"OK"};
};
FrmLogSetupForm& frmLogSetup();
