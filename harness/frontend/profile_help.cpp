#include "harness/frontend/profile.h"

namespace tessaly::frontend {

const char* ProfileSummary() {
    return R"(Profile (JSON):
  {
    "folders": [
      { "name": "Contacts", "kind": "contacts",
        "items": [
          { "type": "ContactItem", "name": "Alma Reyes", "flagged": true,
            "BusinessTelephoneNumber": "+44 20 7946 0101",
            "MobileTelephoneNumber": "+44 7700 900101",
            "Email1Address": "alma.reyes@example.com" },
          { "type": "DistListItem", "name": "Project Team" } ] },
      { "name": "Inbox",
        "items": [
          { "type": "MailItem", "name": "Budget",
            "sender": { "name": "Alma Reyes", "address": "alma.reyes@example.com",
                        "contact": "Alma Reyes" },
            "recipients": [ { "name": "Sam Doe", "address": "sam@example.com" } ] },
          { "type": "MailItem", "name": "Rota",
            "sender": { "name": "Kai Berg", "address": "/o=Example/cn=Recipients/cn=kai",
                        "exchangeUser": { "business": "+1 555 0100",
                                          "smtp": "kai.berg@example.com" } } },
          { "type": "MailItem", "name": "Minutes", "sent": true,
            "recipients": [ { "name": "Alma Reyes", "address": "alma.reyes@example.com",
                              "type": "To", "contact": "Alma Reyes" } ] },
          { "type": "MailItem", "name": "Unfinished", "draft": true } ] }
    ],
    "defaultContactsFolder": "Contacts",
    "currentUser": { "name": "Sam Doe", "address": "sam@example.com" },
    "explorers": [ { "folder": "Contacts", "selection": ["Alma Reyes"] } ]
  }
  "folders" (required): folders with unique names; "kind" (optional): "mail" or
    "contacts", which decides the Home tab an Explorer on it shows (TabMail or TabContacts;
    without it the default contacts folder holds contacts, any other mail); "items"
    (optional) each with a "type" (an Outlook item type name: "ContactItem", "MailItem",
    "DistListItem", ...), a "name" unique in its folder (a mail's subject) and "flagged"
    (optional, default false: a follow-up flag, which gives the item the flagged item's
    context menu). A ContactItem may have any of the
    nine telephone properties, as strings: BusinessTelephoneNumber,
    Business2TelephoneNumber, MobileTelephoneNumber, HomeTelephoneNumber,
    Home2TelephoneNumber, CallbackTelephoneNumber, CarTelephoneNumber,
    AssistantTelephoneNumber, CompanyMainTelephoneNumber; and its e-mail addresses
    Email1Address, Email2Address, Email3Address (strings), which Items.Find searches.
  A MailItem may have:
    "sender": an address book entry (below): a received mail;
    "sent": true: the current user sent it, its sender is an entry with their values;
    "draft": true, or none of the three: not sent yet, no sender;
    "recipients": entries with a "type" of their own, "To" (default), "CC" or "BCC".
  An address book entry: "name" and "address" (required); its type follows from the
    address, "SMTP" for name@domain and otherwise "EX" (an Exchange address), and a
    "type" given ("SMTP" or "EX"; not on recipients) must agree; "contact" (optional):
    the name of the ContactItem of any folder it stands for (AddressEntry.GetContact);
    "exchangeUser" (optional, "EX" entries only): "business", "mobile" and "smtp" (its
    primary SMTP address), all optional (AddressEntry.GetExchangeUser).
  "defaultContactsFolder" (optional): a folder's name; without it there is none.
  "currentUser" (optional): the session's user (NameSpace.CurrentUser), an address
    book entry; needed by sent mails; without it NameSpace.CurrentUser fails.
  "explorers" (optional): the windows open at start, numbered 1, 2, ... in this order.
    "folder" (required); "selection" (optional, names of items in that folder; without
    it the folder's first item is selected); "commandBarsReady" (optional, default true;
    false: the window's command bars become ready when it is first activated).
  Unknown keys, duplicate keys or names, values of the wrong type, names of folders,
  items or contacts that do not exist, a contact name two folders share, addresses that
  disagree with their type, and keys on an item of another type are errors reported with
  the line of the element.
  Items.Find reads conditions such as
    [Email1Address] = 'a@example.com' OR [Email2Address] = 'o''brien@example.com'
  (the three e-mail properties, "=", strings in single or double quotes with the quote
  doubled inside, OR, AND, parentheses); strings compare without regard to case, and the
  first matching item of the folder is found. Any other condition fails (0x80070057).

)";
}

}  // namespace tessaly::frontend
