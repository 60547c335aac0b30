// The reports the program ships (also as files in share/tarvo/reports/, which the tests compare).
#include "db/shippedreports.h"

namespace Tarvo::Data {

const QList<ShippedReport>& shippedReports()
{
    static const QList<ShippedReport> all{
        {QStringLiteral("offer-register.trep"), QStringLiteral("Реестр заявок покупателей"), 1002,
         QByteArray(R"trep(<?xml version="1.0" encoding="UTF-8"?>
<report version="1" name="Реестр заявок покупателей">
  <dataset name="list" source="list"/>
  <page orientation="landscape" margin="10" dataset="list" size="8">
    <title align="center" bold="yes" size="13">Реестр заявок покупателей</title>
    <pageHeader align="right">Дата печати: [date]. Пользователь: [user]</pageHeader>
    <columns>
      <column field="bof_id" caption="№" width="18"/>
      <column field="bof_date" caption="Дата" width="22"/>
      <column field="name_user" caption="Для кого" width="60"/>
      <column field="bof_state_name" caption="Состояние" width="45"/>
      <column field="bof_sum" caption="Сумма" width="28"/>
      <column field="bof_cod_valut" caption="Валюта" width="16"/>
      <column field="bof_sum_valut" caption="Вал сумма" width="28"/>
      <column field="us_name" caption="Менеджер" width="40"/>
    </columns>
    <summary bold="yes">Всего заявок: [count()]. Сумма: [sum(bof_sum)]</summary>
    <pageFooter align="right">Стр. [page] из [pages]</pageFooter>
  </page>
</report>
)trep")},
        {QStringLiteral("offer.trep"), QStringLiteral("Заявка покупателя"), 1002,
         QByteArray(R"trep(<?xml version="1.0" encoding="UTF-8"?>
<report version="1" name="Заявка покупателя">
  <dataset name="lines">
    select o.bof_id, o.bof_date, p.NAME_USER as buyer, o.bof_cod_valut, o.bof_sum as total, o.bof_sum_valut as total_valut,
           pr.PR_ARTICUL as article, pr.PR_NAME as product, d.bpd_amount as amount, d.bpd_sum as line_sum,
           d.bpd_sum_valut as line_sum_valut
    from scm_business_offer o
    join scm_partner sp on sp.par_ID = o.bof_person
    join _partner p on p.N_USER = sp.par_nuser
    left join scm_bp_delivery d on d.bpd_bof_id = o.bof_id
    left join crm_product pr on pr.PR_ID = d.bpd_pr_id
    where o.bof_id = :bof_id
    order by pr.PR_ARTICUL
  </dataset>
  <page orientation="portrait" margin="12" dataset="lines" size="9">
    <title bold="yes" size="13">Заявка покупателя № [bof_id] от [bof_date]</title>
    <pageHeader>Покупатель: [buyer]. Валюта: [bof_cod_valut]</pageHeader>
    <columns>
      <column field="article" caption="Артикул" width="30"/>
      <column field="product" caption="Товар" width="75"/>
      <column field="amount" caption="Количество" width="22"/>
      <column field="line_sum" caption="Сумма" width="28"/>
      <column field="line_sum_valut" caption="Вал сумма" width="28"/>
    </columns>
    <summary bold="yes">Строк: [count()]. Итого: [sum(line_sum)], в валюте: [sum(line_sum_valut)]</summary>
    <pageFooter align="right">Стр. [page] из [pages]</pageFooter>
  </page>
</report>
)trep")},
        {QStringLiteral("offers-period.trep"), QStringLiteral("Заявки за период"), 1001,
         QByteArray(R"trep(<?xml version="1.0" encoding="UTF-8"?>
<report version="1" name="Заявки за период">
  <dialog title="Заявки за период">
    <parameter name="date_from" type="date" caption="С"/>
    <parameter name="date_to" type="date" caption="По"/>
  </dialog>
  <dataset name="offers">
    select p.NAME_USER as buyer, o.bof_id, o.bof_date, o.bof_cod_valut, o.bof_sum, o.bof_sum_valut
    from scm_business_offer o
    join scm_partner sp on sp.par_ID = o.bof_person
    join _partner p on p.N_USER = sp.par_nuser
    where o.bof_date &gt;= :date_from and o.bof_date &lt;= :date_to
    order by p.NAME_USER, o.bof_date, o.bof_id
  </dataset>
  <page orientation="portrait" margin="12" dataset="offers" size="9">
    <title align="center" bold="yes" size="13">Заявки за период с [date_from] по [date_to]</title>
    <columns>
      <column field="bof_id" caption="№" width="20"/>
      <column field="bof_date" caption="Дата" width="25"/>
      <column field="bof_cod_valut" caption="Валюта" width="18"/>
      <column field="bof_sum" caption="Сумма" width="35"/>
      <column field="bof_sum_valut" caption="Вал сумма" width="35"/>
    </columns>
    <group field="buyer">
      <header bold="yes">[buyer]</header>
      <footer align="right">Итого по покупателю [buyer]: [sum(bof_sum)] ([count()] заявок)</footer>
    </group>
    <summary bold="yes" align="right">Всего: [sum(bof_sum)] ([count()] заявок)</summary>
    <pageFooter align="right">Стр. [page] из [pages]</pageFooter>
  </page>
</report>
)trep")},
    };
    return all;
}

} // namespace Tarvo::Data
