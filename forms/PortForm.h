// The parallel port dialog's form model.
#pragma once

#include "forms/Controls.h"

// The parallel port dialog.
struct FrmPortForm {
    FormGeometry form{"Parallel Port Setup"};
    Button cmdOK{"OK"};
    Button cmdCancel{"Cancel"};
    TextBox txtUser;
    Label Label1{"Port Address (Hex)"};
};
FrmPortForm& frmPort();
