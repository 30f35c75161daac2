// The numbers of the contact selected in the window: listed in the combo box, and handed to
// the Business, Mobile and Home buttons.
#include "explorer/contact_numbers.h"

#include <algorithm>

#include "explorer/explorer_handler.h"
#include "platform/error.h"

namespace tessaly::explorer {
namespace {

using Property = String (host::ContactItem::*)();

struct Kind {
    NumberKind kind;
    NumberGroup group;
    Property property;
};

using C = host::ContactItem;
constexpr std::array<Kind, kNumberKinds> kKinds = {{
    {NumberKind::Business, NumberGroup::Business, &C::BusinessTelephoneNumber},
    {NumberKind::Business2, NumberGroup::Business, &C::Business2TelephoneNumber},
    {NumberKind::Mobile, NumberGroup::Mobile, &C::MobileTelephoneNumber},
    {NumberKind::Home, NumberGroup::Home, &C::HomeTelephoneNumber},
    {NumberKind::Home2, NumberGroup::Home, &C::Home2TelephoneNumber},
    {NumberKind::Callback, NumberGroup::Other, &C::CallbackTelephoneNumber},
    {NumberKind::Car, NumberGroup::Other, &C::CarTelephoneNumber},
    {NumberKind::Assistant, NumberGroup::Other, &C::AssistantTelephoneNumber},
    {NumberKind::CompanyMain, NumberGroup::Other, &C::CompanyMainTelephoneNumber},
}};

void AddUniqueNumber(std::vector<ContactNumber>& numbers, NumberKind kind, const String& read) {
    String number = softphone::TrimBlanks(read);
    const auto same = [&](const ContactNumber& listed) { return listed.number == number; };
    if (!number.empty() && std::none_of(numbers.begin(), numbers.end(), same)) {
        numbers.push_back({kind, std::move(number)});
    }
}

String FirstNumber(const std::vector<ContactNumber>& numbers) {
    return numbers.empty() ? String{} : numbers.front().number;
}

}  // namespace

std::shared_ptr<host::ContactItem> ContactOf(const std::shared_ptr<host::Item>& item) {
    if (must(item).TypeName() != u"ContactItem") {
        return nullptr;
    }
    auto contact = std::dynamic_pointer_cast<host::ContactItem>(item);
    if (!contact) {
        throw Error(kDISP_E_TYPEMISMATCH, "not a contact item");
    }
    return contact;
}

std::vector<ContactNumber> ReadNumberGroup(host::ContactItem& contact, NumberGroup group) {
    std::vector<ContactNumber> numbers;
    for (const Kind& kind : kKinds) {
        if (kind.group == group) {
            AddUniqueNumber(numbers, kind.kind, (contact.*kind.property)());
        }
    }
    return numbers;
}

std::vector<ContactNumber> ReadContactNumbers(host::ContactItem& contact) {
    std::vector<ContactNumber> all;
    for (const NumberGroup group : kNumberGroups) {
        auto numbers = ReadNumberGroup(contact, group);
        all.insert(all.end(), numbers.begin(), numbers.end());
    }
    return all;
}

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
    const auto contact = ContactOf(selection->Item(1));
    if (!contact) {
        return false;
    }
    ListContactNumbers(*contact);
    ShowFirstListedNumber();
    return true;
}

void ExplorerHandler::ListContactNumbers(host::ContactItem& contact) {
    oComboBox->Clear();
    listedNumbers_.clear();
    for (const NumberGroup group : kNumberGroups) {
        const auto numbers = ReadNumberGroup(contact, group);
        switch (group) {
            case NumberGroup::Business:
                BusinessNumber(FirstNumber(numbers));
                break;
            case NumberGroup::Mobile:
                MobileNumber(FirstNumber(numbers));
                break;
            case NumberGroup::Home:
                HomeNumber(FirstNumber(numbers));
                break;
            case NumberGroup::Other:
                break;
        }
        AddNumbersToCombo(numbers);
    }
}

void ExplorerHandler::ShowFirstListedNumber() {
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
}

void ExplorerHandler::AddNumbersToCombo(const std::vector<ContactNumber>& numbers) {
    for (const ContactNumber& listed : numbers) {
        oComboBox->AddItem(listed.number, std::nullopt);
        listedNumbers_.push_back(listed.number);
    }
}

}  // namespace tessaly::explorer
