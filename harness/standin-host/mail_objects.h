// The COM objects of a mail and the people behind it (MailItem, Recipients, Recipient,
// AddressEntry, ExchangeUser) and of a folder's Items, with the members Outlook gives them
// under Outlook's names, as far as the add-in calls them.
#pragma once

#include <memory>

#include "dispatch_base.h"
#include "host/object.h"

namespace tessaly::standin {

class Server;

// The COM object of one of those sim objects; empty for any other object.
ComPtr<DispatchBase> MakeMailObject(Server& server, const std::shared_ptr<host::Object>& object);

}  // namespace tessaly::standin
