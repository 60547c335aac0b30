#pragma once

#include "data/engine/databaseerror.h"

namespace Tarvo::Catalog {

// The server procedure "scm_delete_GroupTree": deletes a group, its subtree and their
// products with the products' prices and supplier rows. When one of the products is used in
// a document it refuses with a server error that names the first such product.
class GroupTreeProcedure
{
public:
    static const QString Name;

    // The refusal; its message is the server's text naming the product.
    class ProductsUsed : public Data::DatabaseError
    {
    public:
        explicit ProductsUsed(const QString& text);
    };

    static void registerOnce();
};

} // namespace Tarvo::Catalog
