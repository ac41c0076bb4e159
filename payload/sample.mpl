MPL 1
Ledger: Household 2026
Currency: EUR
Opening: 1250.00

# A sample ledger for Corvale. Each transaction is one line: the date, a
# description and the amount; money spent is negative, money received positive.
# Lines starting with # are notes, like this one. Edit it or start your own.
#
# Date      Description                               Amount
2026-01-02  Rent, January                              -780.00
2026-01-03  Groceries, market hall                      -64.20
2026-01-05  Electricity, quarterly bill                -118.45
2026-01-09  Bookshop                                    -23.90
2026-01-12  Groceries                                   -48.75
2026-01-15  Phone and internet                          -39.99
2026-01-20  Dinner with friends                         -52.00
2026-01-23  Refund, returned jacket                     +89.00
2026-01-26  Groceries                                   -71.30
2026-01-30  Salary, January                            2415.60

2026-02-02  Rent, February                             -780.00
2026-02-04  Train pass                                  -62.00
2026-02-07  Groceries, market hall                      -57.85
2026-02-11  Pharmacy                                    -14.60
2026-02-14  Flowers                                     -28.00
2026-02-15  Phone and internet                          -39.99
2026-02-18  Groceries                                   -66.10
2026-02-21  Concert tickets                             -96.00
2026-02-24  Sold old bicycle                            150.00
2026-02-27  Salary, February                           2415.60

2026-03-02  Rent, March                                -780.00
2026-03-04  Groceries                                   -74.45
2026-03-06  Car insurance, half year                   -312.80
2026-03-10  Hairdresser                                 -32.00
2026-03-13  Groceries, market hall                      -59.20
2026-03-15  Phone and internet                          -39.99
2026-03-19  Birthday present for Ilse                   -45.00
2026-03-22  Interest, savings account                    12.37
2026-03-25  Groceries                                   -68.95
2026-03-31  Salary, March                              2415.60
