#pragma once

#include "data/engine/migration.h"

namespace Tarvo::Data::SchemaSteps {

// Adds a foreign key with an index on its columns, unless they lead the primary
// key (declare the primary key first): every join and delete check stays indexed.
void reference(Table& table, const QString& name, const QStringList& columns, const QString& refTable,
               const QStringList& refColumns, RefAction onDelete = RefAction::NoAction);

void catalog(MigrationContext& ctx);   // reference books, counterparties, warehouse, catalog, prices
void documents(MigrationContext& ctx); // rights, contracts, the document chain, payments
void reports(MigrationContext& ctx);   // report catalogue and the distribution view

void partnerAndExportColumns(MigrationContext& ctx); // counterparty columns of the warehouse, payment export
void yesNoColumns(MigrationContext& ctx);            // yes/no columns as 1/0 integers
void groupAncestors(MigrationContext& ctx);          // crm_groupsrel kept by triggers
void offerStateView(MigrationContext& ctx);          // vBusinessOfferState1 restricted by its callers
void receiptReference(MigrationContext& ctx);        // SCM_TOMOVE refers to scm_offer_invoice
void newRightsByDefault(MigrationContext& ctx);      // US_NEW_SECUR_ACTIVE defaults to 1
void acceptedLimits(MigrationContext& ctx);          // confirmed lines cover their shares and shipments
void reportPlaces(MigrationContext& ctx);            // call places 1001-1009, the shipped reports
void paymentCurrencyCodes(MigrationContext& ctx);    // payments' null supplier codes become roubles
void unhandledProducts(MigrationContext& ctx);       // price-list articles put aside for matching

} // namespace Tarvo::Data::SchemaSteps
