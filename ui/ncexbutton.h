// The message dialog's bitmap buttons: skinned buttons that keep the system's arrow cursor.
#pragma once
#include "ui/skin_button.h"

class NCExButton : public CSkinButton {
    DECLARE_MESSAGE_MAP()
};
