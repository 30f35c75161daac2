// The numbers of the contact selected in the window: listed in the combo box, and handed to
// the Business, Mobile and Home buttons.
#include <algorithm>

#include "explorer/explorer_handler.h"
#include "platform/error.h"

namespace tessaly::explorer {
namespace {

using Property = String (host::ContactItem::*)();

struct Group {
    std::vector<Property> properties;
    void (ExplorerHandler::*publish)(const String&);  // nothing for the Other group
};

}  // namespace

void ExplorerHandler::BusinessNumber(const String& s) {
    sBusinessNumber = ApplyButtonNumber(s, oBusinessButton.get());
}

void ExplorerHandler::MobileNumber(const String& s) {
    sMobileNumber = ApplyButtonNumber(s, oMobileButton.get());
}

void ExplorerHandler::HomeNumber(const String& s) {
    sHomeNumber = ApplyButtonNumber(s, oHomeButton.get());
}

String ExplorerHandler::ApplyButtonNumber(String number,
                                          const std::shared_ptr<host::CommandBarButton>& button) {
    number = softphone::TrimBlanks(number);
    if (button) {
        button->SetEnabled(!number.empty());
    }
    return number;
}

void ExplorerHandler::RefreshContactNumbers() {
    const RibbonPublisher publish{*this};
    bool filled = false;
    try {
        filled = FillNumbersFromSelection();
    } catch (const std::exception&) {
        // Anything that fails on the way empties the list and the numbers below.
    }
    if (filled) {
        return;
    }
    if (oComboBox) {
        oComboBox->Clear();
    }
    listedNumbers_.clear();
    BusinessNumber(u"");
    MobileNumber(u"");
    HomeNumber(u"");
}

bool ExplorerHandler::FillNumbersFromSelection() {
    if (!oComboBox) {
        return false;
    }
    const auto selection = must(oExplorer.get()).Selection();
    if (must(selection).Count() == 0) {
        return false;
    }
    const auto item = selection->Item(1);
    if (must(item).TypeName() != u"ContactItem") {
        return false;
    }
    const auto contact = std::dynamic_pointer_cast<host::ContactItem>(item);
    if (!contact) {
        throw Error(kDISP_E_TYPEMISMATCH, "not a contact item");
    }

    using C = host::ContactItem;
    const Group groups[] = {
        {{&C::BusinessTelephoneNumber, &C::Business2TelephoneNumber},
         &ExplorerHandler::BusinessNumber},
        {{&C::MobileTelephoneNumber}, &ExplorerHandler::MobileNumber},
        {{&C::HomeTelephoneNumber, &C::Home2TelephoneNumber}, &ExplorerHandler::HomeNumber},
        {{&C::CallbackTelephoneNumber, &C::CarTelephoneNumber, &C::AssistantTelephoneNumber,
          &C::CompanyMainTelephoneNumber},
         nullptr},
    };
    oComboBox->Clear();
    listedNumbers_.clear();
    std::vector<String> numbers;
    for (const Group& group : groups) {
        for (Property property : group.properties) {
            AddUniqueNumber(numbers, ((*contact).*property)());
        }
        if (group.publish) {
            (this->*group.publish)(FirstNumber(numbers));
        }
        MoveNumbersToCombo(numbers);
    }

    if (oComboBox->ListCount() != 0) {
        oComboBox->SetListIndex(1);
        oComboBox->SetText(oComboBox->List(1));
    } else {
        oComboBox->SetText(u"");
    }
    sComboText = oComboBox->Text();
    if (oComboButton) {
        oComboButton->SetEnabled(!oComboBox->Text().empty());
    }
    return true;
}

void ExplorerHandler::AddUniqueNumber(std::vector<String>& numbers, String number) {
    number = softphone::TrimBlanks(number);
    if (number.empty() || std::find(numbers.begin(), numbers.end(), number) != numbers.end()) {
        return;
    }
    numbers.push_back(std::move(number));
}

void ExplorerHandler::MoveNumbersToCombo(std::vector<String>& numbers) {
    for (const String& number : numbers) {
        oComboBox->AddItem(number, std::nullopt);
        listedNumbers_.push_back(number);
    }
    numbers.clear();
}

String ExplorerHandler::FirstNumber(const std::vector<String>& numbers) {
    return numbers.empty() ? String{} : numbers.front();
}

}  // namespace tessaly::explorer
