#include "app/data/schema.h"

// The texts are exact, including "extendionname", "nam6" and the mixed case
// of the type words: existing files were made by them.
const SchemaTable kSchemaTables[kSchemaTableCount] = {
    {u"THINGS",
     u"CREATE TABLE %s(tid COUNTER PRIMARY KEY,workname TEXT(80),worktype INTEGER,starttime DATETIME,remarks "
     u"TEXT(10))"},
    {u"USERS", u"CREATE TABLE %s(uid COUNTER PRIMARY KEY,username TEXT(40),pwd TEXT(20),safety TEXT(20))"},
    {u"FINANCIAL",
     u"CREATE TABLE %s(fiid LONG,Item TEXT(30),income SINGLE,expenditure SINGLE,remarks TEXT(40),taid LONG)"},
    {u"STATISTICS",
     u"CREATE TABLE %s(sid COUNTER PRIMARY KEY,taid LONG,name1 TEXT(20),data1 FLOAT,name2 TEXT(20),data2 FLOAT,"
     u"name3 TEXT(20),data3 FLOAT,name4 TEXT(20),data4 FLOAT,name5 TEXT(20),data5 FLOAT,nam6 TEXT(20),data6 FLOAT)"},
    {u"FILES", u"CREATE TABLE %s(fid COUNTER PRIMARY KEY,filename TEXT(40),extendionname TEXT(5),taid LONG)"},
    {u"REMIND",
     u"CREATE TABLE %s(rid COUNTER PRIMARY KEY,content TEXT(60),RemindDate DATETIME,RemindTime DATETIME,"
     u"NumberOfTimes LONG,separation LONG,executenumber integer,message logical,effect logical,submitted logical,"
     u"sendnumber INTEGER,phonenumber TEXT(13),taid LONG,remarks TEXT(10))"},
    {u"DETAILS", u"CREATE TABLE %s(did COUNTER PRIMARY KEY,no1 BYTE,taid LONG,detail MEMO)"},
    {u"TASK",
     u"CREATE TABLE %s(taid COUNTER PRIMARY KEY,tasktitle TEXT(40),personnel TEXT(30),place TEXT(20),"
     u"tasktime DATETIME,brief TEXT(255),tid LONG,tasktype INTEGER,remark TEXT(10))"},
};

CString SchemaCreateStatement(const SchemaTable& table) {
  // Joined, not formatted: the statement is the text as written.
  CString statement(table.statement);
  statement.Replace(u"%s", table.name);
  return statement;
}
