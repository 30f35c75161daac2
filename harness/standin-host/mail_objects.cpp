#include "mail_objects.h"

#include <utility>

#include "host/mail.h"
#include "sim_object.h"

namespace tessaly::standin {

namespace {

class MailItemObject final : public SimObject<host::MailItem> {
  public:
    MailItemObject(Server& server, std::shared_ptr<host::MailItem> object)
        : SimObject(server, std::move(object), "MailItem", {dispid::Sender, dispid::Recipients}) {}

    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** out) noexcept override {
        return ItemClassInfo(registry(), *object_, out);
    }

  protected:
    void invokeMember(DISPID id, Call& call) override {
        RequireGet(call);
        if (id == dispid::Sender) {
            call.result(wrap(object_->Sender()));
        } else {
            call.result(wrap(object_->Recipients()));
        }
    }
};

class RecipientsObject final : public CollectionObject<host::Recipients> {
  public:
    RecipientsObject(Server& server, std::shared_ptr<host::Recipients> object)
        : CollectionObject(server, std::move(object), "Recipients") {}
};

class RecipientObject final : public SimObject<host::Recipient> {
  public:
    RecipientObject(Server& server, std::shared_ptr<host::Recipient> object)
        : SimObject(server, std::move(object), "Recipient",
                    {dispid::Name, dispid::Address, dispid::Type, dispid::AddressEntry}) {}

  protected:
    void invokeMember(DISPID id, Call& call) override {
        RequireGet(call);
        switch (id) {
            case dispid::Name:
                return call.result(std::u16string_view(object_->Name()));
            case dispid::Address:
                return call.result(std::u16string_view(object_->Address()));
            case dispid::Type:
                return call.result(object_->Type());
            default:
                return call.result(wrap(object_->AddressEntry()));
        }
    }
};

class AddressEntryObject final : public SimObject<host::AddressEntry> {
  public:
    AddressEntryObject(Server& server, std::shared_ptr<host::AddressEntry> object)
        : SimObject(server, std::move(object), "AddressEntry",
                    {dispid::Name, dispid::Address, dispid::Type, dispid::GetContact,
                     dispid::GetExchangeUser}) {}

  protected:
    void invokeMember(DISPID id, Call& call) override {
        RequireGet(call);
        switch (id) {
            case dispid::Name:
                return call.result(std::u16string_view(object_->Name()));
            case dispid::Address:
                return call.result(std::u16string_view(object_->Address()));
            case dispid::Type:
                return call.result(std::u16string_view(object_->Type()));
            case dispid::GetContact:
                return call.result(wrap(object_->GetContact()));
            default:
                return call.result(wrap(object_->GetExchangeUser()));
        }
    }
};

class ExchangeUserObject final : public SimObject<host::ExchangeUser> {
  public:
    ExchangeUserObject(Server& server, std::shared_ptr<host::ExchangeUser> object)
        : SimObject(server, std::move(object), "ExchangeUser",
                    {dispid::BusinessTelephoneNumber, dispid::MobileTelephoneNumber,
                     dispid::PrimarySmtpAddress}) {}

  protected:
    void invokeMember(DISPID id, Call& call) override {
        RequireGet(call);
        switch (id) {
            case dispid::BusinessTelephoneNumber:
                return call.result(std::u16string_view(object_->BusinessTelephoneNumber()));
            case dispid::MobileTelephoneNumber:
                return call.result(std::u16string_view(object_->MobileTelephoneNumber()));
            default:
                return call.result(std::u16string_view(object_->PrimarySmtpAddress()));
        }
    }
};

class ItemsObject final : public SimObject<host::Items> {
  public:
    ItemsObject(Server& server, std::shared_ptr<host::Items> object)
        : SimObject(server, std::move(object), "Items", {dispid::Find}) {}

  protected:
    void invokeMember(DISPID, Call& call) override {
        RequireGet(call);
        call.result(wrap(object_->Find(call.requiredString(0))));
    }
};

}  // namespace

ComPtr<DispatchBase> MakeMailObject(Server& server, const std::shared_ptr<host::Object>& object) {
    using Maker = ComPtr<DispatchBase> (*)(Server&, const std::shared_ptr<host::Object>&);
    static constexpr Maker kMakers[] = {
        MakeIf<MailItemObject, host::MailItem>,
        MakeIf<RecipientsObject, host::Recipients>,
        MakeIf<RecipientObject, host::Recipient>,
        MakeIf<AddressEntryObject, host::AddressEntry>,
        MakeIf<ExchangeUserObject, host::ExchangeUser>,
        MakeIf<ItemsObject, host::Items>,
    };
    for (Maker make : kMakers) {
        if (ComPtr<DispatchBase> made = make(server, object)) {
            return made;
        }
    }
    return {};
}

}  // namespace tessaly::standin
