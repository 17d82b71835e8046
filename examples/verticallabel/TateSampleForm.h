#pragma once
// The sample window. Everything it shows is placed by its form description.
#include "toolkit/controls/Forms.h"
#include "toolkit/streaming/FormReader.h"

#include <string>

class TTateSampleForm : public TForm {
public:
    // Reads the description compiled into the program.
    explicit TTateSampleForm(TComponent* AOwner) : TTateSampleForm(AOwner, LoadResourceText("TTATESAMPLEFORM")) {}
    // Reads the given description text.
    TTateSampleForm(TComponent* AOwner, const std::string& description) : TForm(AOwner) { InitFormText(description); }
};
