package example;

import com.nq.odbc.DataSource;
import com.nq.odbc.ODBC;
import com.nq.odbc.ODBCDriver;
import com.nq.odbc.Version;

public final class ListsOdbc {
    public static void main(String[] args) {
        System.out.println("version " + Version.number());
        for (ODBCDriver driver : ODBC.getDrivers()) {
            System.out.println("driver " + driver.getDescription());
        }
        for (DataSource source : ODBC.getDataSources()) {
            System.out.println("data source " + source.getName() + " -> " + source.getDriver().getDescription());
        }
    }
}
